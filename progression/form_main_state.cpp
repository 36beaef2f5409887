#include "harmony/calculator.h"
#include "progression/form_main_model.h"

namespace {

const TTonality kCMajor{{'C', 0}, mdMajor};

} // namespace

// An instrument with no device open from the start, so that a button pressed before the
// window has run FormShow finds one (its messages are dropped).
TFormMainModel::TFormMainModel(TMidiBackend& Backend, TFormMainView& View)
    : Backend(Backend), View(View), Instrument(std::make_unique<TInstrument>(Backend)) {}

void TFormMainModel::ResetSession() {
    SoundOff();
    Cursor = 0;
    LastVoices.reset();
    CandidateIndex = 1;
    Tonality = Progression.empty() ? kCMajor : Progression.front().Tonality;
    Degree = 0;
    Variant = 0;
    Layout.Reset(Tonality);
    View.FocusDisplay();
    LastAction = laNone;
}

void TFormMainModel::CommitDegree(std::int32_t NewDegree, TChordVariant NewVariant) {
    // ChordOf keeps the variant only where the degree has it.
    const TChord Chord = TCalculatorEx::ChordOf(NewVariant, Tonality, NewDegree);
    Sound(Chord, Tonality);
    RecordChord(Chord, NewDegree, NewVariant);
}

void TFormMainModel::RecordChord(const TChord& Chord, std::int32_t NewDegree,
                                 TChordVariant NewVariant) {
    Degree = NewDegree;
    Variant = NewVariant;
    Layout.WriteChord(Chord, {Tonality, Degree, Variant});
    CutProgressionAtCursor();
    Progression.push_back({Tonality, Degree, Variant});
    ++Cursor;
    LastAction = laDegree;
}

void TFormMainModel::ReplayNext() {
    if ((LastAction != laNone && LastAction != laReplay) ||
        static_cast<std::size_t>(Cursor) >= Progression.size()) {
        return;
    }
    const TProgressionEntry Entry = Progression[static_cast<std::size_t>(Cursor)];
    TChordVariant EntryVariant = Entry.Variant;
    const TChord Chord = TCalculatorEx::ChordOf(EntryVariant, Entry.Tonality, Entry.Degree);
    Sound(Chord, Entry.Tonality);
    if (!TCalculatorEx::SameTonality(Entry.Tonality, Tonality)) {
        const std::optional<TChord> Previous = PreviousChord();
        Tonality = Entry.Tonality;
        WriteKeyChange(Previous, NextKeyLabelPlace());
    }
    Degree = Entry.Degree;
    Variant = EntryVariant;
    Layout.WriteChord(Chord, {Tonality, Degree, Variant});
    ++Cursor;
    LastAction = laReplay;
}

void TFormMainModel::ButtonInitClick() {
    SoundOff();
    Progression.clear();
    HeldArrow = 0;
    ResetSession();
}

TKeyLabelPlace TFormMainModel::NextKeyLabelPlace() const {
    return LastAction == laNone || LastAction == laKeyChange ? TKeyLabelPlace::ReplaceLast
                                                             : TKeyLabelPlace::AfterChords;
}

void TFormMainModel::WriteKeyChange(const std::optional<TChord>& Previous, TKeyLabelPlace Place) {
    TChordVariant PreviousVariant = cvNormal;
    const std::int32_t PreviousDegree =
        Previous ? TCalculatorEx::FindDegree(Tonality, *Previous, PreviousVariant) : -1;
    if (PreviousDegree < 0) {
        Layout.WriteKeyLabel(Tonality, Place);
        Layout.AppendSeparator();
    } else {
        Layout.WritePivot({Tonality, PreviousDegree, PreviousVariant}, Place);
    }
}

std::optional<TChord> TFormMainModel::PreviousChord() {
    if (Degree == 0) {
        return std::nullopt;
    }
    return TCalculatorEx::ChordOf(Variant, Tonality, Degree);
}

void TFormMainModel::Sound(const TChord& Chord, const TTonality& Key) {
    if (Voicing == TVoicing::Block) {
        Instrument->PlayChord(Chord);
        LastVoices.reset();
        return;
    }
    LastVoices = LeadVoices(LastVoices, FourPartChordOf(Chord, Key));
    Instrument->PlayVoices(*LastVoices);
}

void TFormMainModel::CutProgressionAtCursor() {
    if (Progression.size() > static_cast<std::size_t>(Cursor)) {
        Progression.resize(static_cast<std::size_t>(Cursor));
    }
}

void TFormMainModel::SoundOff() {
    if (Instrument) {
        Instrument->SoundOff();
    }
}
