#include "progression/music_xml.h"

#include "harmony/calculator.h"
#include "harmony/four_part.h"
#include "harmony/key_signature.h"

#include <sstream>

namespace {

constexpr int kWholeNote = 4; // in divisions of one per quarter note
constexpr const char* kStepNames = "ABCDEFG";
// The natural letters' pitch classes, indexed A..G.
constexpr int kLetterPitchClasses[7] = {9, 11, 0, 2, 4, 5, 7};

struct TVoicePlace {
    int Staff;
    int Voice;
    const char* Stem; // for the voice's direction; whole notes show none
};

// Soprano and alto share the treble staff, tenor and bass the bass staff.
constexpr TVoicePlace kPlaces[4] = {{1, 1, "up"}, {1, 2, "down"}, {2, 3, "up"}, {2, 4, "down"}};

std::string Trimmed(const std::string& Text) {
    const std::size_t First = Text.find_first_not_of(' ');
    return First == std::string::npos ? std::string() : Text.substr(First);
}

std::string DegreeText(const TTonality& Key, std::int32_t Degree, TChordVariant Variant) {
    return Trimmed(TCalculatorEx::DegreeLabel(Key.Mode, Degree, Variant));
}

const char* KindOf(const TChord& Chord) {
    return TCalculatorEx::IsMajorTriad(Chord)        ? "major"
           : TCalculatorEx::IsMinorTriad(Chord)      ? "minor"
           : TCalculatorEx::IsDiminishedTriad(Chord) ? "diminished"
                                                     : "other";
}

// The chord's spelled note with the pitch class of Note: the engine's spelling, never another.
TNoteName SpellingOf(const TChord& Chord, int Note) {
    for (const std::size_t Slot : {0, 1, 2}) {
        const TNoteName Name = TCalculator::Transpose(Chord.Root, Chord.Tones[Slot]);
        if (((TCalculator::PitchClass(Name) % 12) + 12) % 12 == Note % 12) {
            return Name;
        }
    }
    return TCalculator::SoundingRoot(Chord);
}

void WritePitch(std::ostream& Out, const TNoteName& Name, int Note) {
    const int Letter = Name.Letter - 'A';
    const int Octave = (Note - Name.Accidental - kLetterPitchClasses[Letter]) / 12 - 1;
    Out << "<pitch><step>" << kStepNames[Letter] << "</step>";
    if (Name.Accidental != 0) {
        Out << "<alter>" << Name.Accidental << "</alter>";
    }
    Out << "<octave>" << Octave << "</octave></pitch>";
}

void WriteKey(std::ostream& Out, const TTonality& Key, bool First) {
    Out << "<attributes>";
    if (First) {
        Out << "<divisions>1</divisions>";
    }
    Out << "<key><fifths>" << KeySignatureFifths(Key) << "</fifths><mode>"
        << (Key.Mode == mdMinor ? "minor" : "major") << "</mode></key>";
    if (First) {
        Out << "<time><beats>4</beats><beat-type>4</beat-type></time><staves>2</staves>"
               "<clef number=\"1\"><sign>G</sign><line>2</line></clef>"
               "<clef number=\"2\"><sign>F</sign><line>4</line></clef>";
    }
    Out << "</attributes>";
    Out << "<direction placement=\"above\"><direction-type><words>"
        << TCalculatorEx::TonalityLabel(Key) << ":</words></direction-type><staff>1</staff>"
        << "</direction>";
}

void WriteHarmony(std::ostream& Out, const TChord& Chord, const std::string& Degree) {
    const TNoteName Root = TCalculator::SoundingRoot(Chord);
    Out << "<harmony><root><root-step>" << Root.Letter << "</root-step>";
    if (Root.Accidental != 0) {
        Out << "<root-alter>" << Root.Accidental << "</root-alter>";
    }
    Out << "</root><kind>" << KindOf(Chord) << "</kind></harmony>";
    Out << "<harmony type=\"alternate\" print-object=\"no\"><function>" << Degree
        << "</function><kind>" << KindOf(Chord) << "</kind></harmony>";
}

void WriteNotes(std::ostream& Out, const TChord& Chord, const TFourVoices& Voices,
                const std::vector<std::string>& Lyrics) {
    for (std::size_t v = 0; v < 4; ++v) {
        if (v > 0) {
            Out << "<backup><duration>" << kWholeNote << "</duration></backup>";
        }
        Out << "<note>";
        WritePitch(Out, SpellingOf(Chord, Voices[v]), Voices[v]);
        Out << "<duration>" << kWholeNote << "</duration><voice>" << kPlaces[v].Voice
            << "</voice><type>whole</type><staff>" << kPlaces[v].Staff << "</staff>";
        if (v == vcBass) {
            for (std::size_t l = 0; l < Lyrics.size(); ++l) {
                Out << "<lyric number=\"" << l + 1 << "\" placement=\"below\"><text>" << Lyrics[l]
                    << "</text></lyric>";
            }
        }
        Out << "</note>";
    }
}

} // namespace

std::string MusicXmlScore(const std::vector<TProgressionEntry>& Entries, const std::string& Date) {
    std::ostringstream Out;
    Out << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
           "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 3.0 Partwise//EN\" "
           "\"http://www.musicxml.org/dtds/partwise.dtd\">\n"
           "<score-partwise version=\"3.0\">\n"
           "<work><work-title>カデンツォ</work-title></work>\n"
           "<identification><encoding><software>Kadenzo</software><encoding-date>"
        << Date
        << "</encoding-date></encoding></identification>\n"
           "<part-list><score-part id=\"P1\"><part-name>Kadenzo</part-name></score-part>"
           "</part-list>\n<part id=\"P1\">\n";
    std::optional<TFourVoices> Previous;
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        const TProgressionEntry& Entry = Entries[i];
        TChordVariant Variant = Entry.Variant;
        const TChord Chord = TCalculatorEx::ChordOf(Variant, Entry.Tonality, Entry.Degree);
        Previous = LeadVoices(Previous, FourPartChordOf(Chord, Entry.Tonality));
        std::vector<std::string> Lyrics{DegreeText(Entry.Tonality, Entry.Degree, Variant)};
        if (i + 1 < Entries.size() &&
            !TCalculatorEx::SameTonality(Entries[i + 1].Tonality, Entry.Tonality)) {
            const TTonality& Next = Entries[i + 1].Tonality;
            TChordVariant PivotVariant = cvNormal;
            const std::int32_t Pivot = TCalculatorEx::FindDegree(Next, Chord, PivotVariant);
            if (Pivot > 0) {
                Lyrics.push_back(TCalculatorEx::TonalityLabel(Next) + ": " +
                                 DegreeText(Next, Pivot, PivotVariant));
            }
        }
        Out << "<measure number=\"" << i + 1 << "\">";
        if (i == 0 || !TCalculatorEx::SameTonality(Entries[i - 1].Tonality, Entry.Tonality)) {
            WriteKey(Out, Entry.Tonality, i == 0);
        }
        WriteHarmony(Out, Chord, Lyrics.front());
        WriteNotes(Out, Chord, *Previous, Lyrics);
        Out << "</measure>\n";
    }
    if (Entries.empty()) { // a part holds a measure at least: a measure's rest in C major
        Out << "<measure number=\"1\">";
        WriteKey(Out, {{'C', 0}, mdMajor}, true);
        Out << "<note><rest measure=\"yes\"/><duration>" << kWholeNote
            << "</duration><voice>1</voice><staff>1</staff></note></measure>\n";
    }
    Out << "</part>\n</score-partwise>\n";
    return Out.str();
}
