#include "score/score_layout.h"

#include "harmony/calculator.h"
#include "harmony/four_part.h"
#include "harmony/key_signature.h"
#include "progression/voicing.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kSharpOrder = "FCGDAEB";
// The natural letters' pitch classes and places in the octave from C, indexed A..G.
constexpr int kLetterPitchClasses[7] = {9, 11, 0, 2, 4, 5, 7};
constexpr int kLetterSteps[7] = {5, 6, 0, 1, 2, 3, 4};
// The bottom lines: E4 on the treble staff, G2 on the bass staff, as steps from C0.
constexpr int kTrebleBottom = 4 * 7 + 2;
constexpr int kBassBottom = 2 * 7 + 4;

std::string Trimmed(const std::string& Text) {
    const std::size_t First = Text.find_first_not_of(' ');
    return First == std::string::npos ? std::string() : Text.substr(First);
}

TScoreNote NoteOf(const TChord& Chord, int Midi, std::size_t Voice, std::int32_t Fifths) {
    const TNoteName Name = SpelledNote(Chord, Midi);
    const int Letter = Name.Letter - 'A';
    const int Octave = (Midi - Name.Accidental - kLetterPitchClasses[Letter]) / 12 - 1;
    const int Staff = Voice < vcTenor ? 1 : 2;
    const int FromC0 = Octave * 7 + kLetterSteps[Letter];
    const int Step = FromC0 - (Staff == 1 ? kTrebleBottom : kBassBottom);
    const bool Given = SignatureAlter(Fifths, Name.Letter) == Name.Accidental;
    return {Name, Octave, Midi, Staff, Step, Given ? std::nullopt : std::optional(Name.Accidental)};
}

std::string DegreeText(const TTonality& Key, std::int32_t Degree, TChordVariant Variant) {
    return Trimmed(TCalculatorEx::DegreeLabel(Key.Mode, Degree, Variant));
}

} // namespace

int SignatureAlter(std::int32_t Fifths, char Letter) {
    const auto Place = static_cast<std::int32_t>(kSharpOrder.find(Letter));
    if (Place < 0) {
        return 0;
    }
    if (Fifths > 0) {
        return Place < Fifths ? 1 : 0;
    }
    return (6 - Place) < -Fifths ? -1 : 0;
}

namespace {

// The chord before a change of key, read in the new key where it has a degree there (as the
// display reads it), labelled with the key as written.
std::string PivotReading(const TChord& Chord, const TTonality& Next) {
    TChordVariant PivotVariant = cvNormal;
    const std::int32_t Pivot = TCalculatorEx::FindDegree(Next, Chord, PivotVariant);
    return Pivot > 0 ? TCalculatorEx::TonalityLabel(WrittenKey(Next)) + ": " +
                           DegreeText(Next, Pivot, PivotVariant)
                     : std::string();
}

TChord ChordOfEntry(const TProgressionEntry& Entry, TChordVariant& Variant) {
    Variant = Entry.Variant;
    return TCalculatorEx::ChordOf(Variant, Entry.Tonality, Entry.Degree);
}

} // namespace

void ExtendScore(std::vector<TScoreMeasure>& Measures,
                 const std::vector<TProgressionEntry>& Entries) {
    const std::size_t From = std::min(Measures.size(), Entries.size());
    Measures.resize(From);
    std::optional<TVoicedChord> Previous;
    if (From > 0) {
        TScoreMeasure& Last = Measures.back();
        const TProgressionEntry& Before = Entries[From - 1];
        TChordVariant Variant = cvNormal;
        const TChord Chord = ChordOfEntry(Before, Variant);
        Previous = TVoicedChord{
            {Last.Notes[0].Midi, Last.Notes[1].Midi, Last.Notes[2].Midi, Last.Notes[3].Midi},
            FourPartChordOf(Chord, Before.Tonality)};
        Last.Pivot = From < Entries.size() &&
                             !TCalculatorEx::SameTonality(Entries[From].Tonality, Before.Tonality)
                         ? PivotReading(Chord, Entries[From].Tonality)
                         : std::string();
    }
    Measures.reserve(Entries.size());
    for (std::size_t i = From; i < Entries.size(); ++i) {
        const TProgressionEntry& Entry = Entries[i];
        TChordVariant Variant = cvNormal;
        const TChord Chord = ChordOfEntry(Entry, Variant);
        Previous = VoicedChordOf(Entry, Previous);
        TScoreMeasure Measure{};
        Measure.Key = WrittenKey(Entry.Tonality);
        Measure.Chord = TCalculatorEx::ChordOf(Variant, Measure.Key, Entry.Degree);
        Measure.KeyChange =
            i == 0 || !TCalculatorEx::SameTonality(Entries[i - 1].Tonality, Entry.Tonality);
        Measure.Fifths = KeySignatureFifths(Measure.Key);
        for (std::size_t v = 0; v < 4; ++v) {
            Measure.Notes[v] = NoteOf(Measure.Chord, Previous->Voices[v], v, Measure.Fifths);
        }
        Measure.KeyLabel = TCalculatorEx::TonalityLabel(Measure.Key);
        Measure.ChordName = TCalculatorEx::ChordName(Measure.Chord);
        Measure.Degree = DegreeText(Entry.Tonality, Entry.Degree, Variant);
        Measure.Breaks = Entry.Breaks;
        if (i + 1 < Entries.size() &&
            !TCalculatorEx::SameTonality(Entries[i + 1].Tonality, Entry.Tonality)) {
            Measure.Pivot = PivotReading(Chord, Entries[i + 1].Tonality);
        }
        Measures.push_back(std::move(Measure));
    }
}

std::vector<TScoreMeasure> ScoreMeasures(const std::vector<TProgressionEntry>& Entries) {
    std::vector<TScoreMeasure> Measures;
    ExtendScore(Measures, Entries);
    return Measures;
}
