#include "harmony/calculator.h"
#include "progression/form_main_model.h"

namespace {

const TTonality kCMajor{{'C', 0}, 0};
constexpr int kLineCount = 5;

} // namespace

// An instrument with no device open from the start, so that a button pressed before the
// window has run FormShow finds one (its messages are dropped).
TFormMainModel::TFormMainModel(TMidiBackend& Backend, TFormMainView& View)
    : Backend(Backend), View(View), Instrument(std::make_unique<TInstrument>(Backend)) {}

void TFormMainModel::ResetSession() {
    SoundOff();
    Cursor = 0;
    LabelLine = 3;
    KeyLabelColumn = 0;
    CandidateIndex = 1;
    Tonality = Progression.empty() ? kCMajor : Progression.front().Tonality;
    Degree = 0;
    Variant = 0;
    Display.Clear();
    for (int i = 0; i < kLineCount; ++i) {
        Display.Add("");
    }
    Display.Put(3, TCalculatorEx::TonalityLabel(Tonality) + ": ");
    View.FocusDisplay();
    LastAction = laNone;
}

void TFormMainModel::CommitDegree(std::int32_t NewDegree, TChordVariant NewVariant) {
    Degree = NewDegree;
    Variant = NewVariant;
    const TChord Chord = TCalculatorEx::ChordOf(Variant, Tonality, Degree);
    Instrument->PlayChord(Chord);
    RecordChord(Chord);
}

void TFormMainModel::RecordChord(const TChord& Chord) {
    WriteChord(Chord);
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
    Instrument->PlayChord(Chord); // the sound first: the display can wait
    if (!TCalculatorEx::SameTonality(Entry.Tonality, Tonality)) {
        // The recording changes key here: show the chord before as a pivot where it can be.
        const std::optional<TChord> Previous = PreviousChord();
        Tonality = Entry.Tonality;
        if (Previous) {
            Degree = TCalculatorEx::FindDegree(Tonality, *Previous, Variant);
        }
        if (Previous && Degree >= 0) {
            WriteDegreeLabel();
        } else {
            WriteTonalityLabel();
            AppendSeparator();
        }
    }
    Degree = Entry.Degree;
    Variant = EntryVariant;
    WriteChord(Chord);
    ++Cursor;
    LastAction = laReplay;
}

void TFormMainModel::ButtonInitClick() {
    SoundOff();
    Progression.clear();
    HeldArrow = 0;
    ResetSession();
}

std::optional<TChord> TFormMainModel::PreviousChord() {
    if (Degree == 0) {
        return std::nullopt;
    }
    return TCalculatorEx::ChordOf(Variant, Tonality, Degree);
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
