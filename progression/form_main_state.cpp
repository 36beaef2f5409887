#include "harmony/calculator.h"
#include "progression/form_main_model.h"

#include <algorithm>
#include <utility>

namespace {

const TTonality kCMajor{{'C', 0}, mdMajor};

} // namespace

// An instrument with no device open from the start, so that a button pressed before the
// window has run FormShow finds one (its messages are dropped).
TFormMainModel::TFormMainModel(TMidiBackend& Backend, TFormMainView& View)
    : Backend(Backend), View(View), Instrument(std::make_unique<TInstrument>(Backend)) {}

void TFormMainModel::AddListener(TProgressionListener& Listener) {
    Listeners.push_back(&Listener);
}

void TFormMainModel::RemoveListener(TProgressionListener& Listener) {
    Listeners.erase(std::remove(Listeners.begin(), Listeners.end(), &Listener), Listeners.end());
}

void TFormMainModel::MarkChanged(std::size_t Index) {
    FirstChanged = std::min(FirstChanged.value_or(Index), Index);
}

std::optional<std::size_t> TFormMainModel::CurrentEntry() const {
    // Space moves the cursor past the last entry; the chord at the cursor is still that one.
    const std::size_t Placed = std::min(Progression.size(), static_cast<std::size_t>(Cursor));
    return Placed == 0 ? std::nullopt : std::optional<std::size_t>(Placed - 1);
}

void TFormMainModel::TellListeners() {
    const std::optional<std::size_t> Current = CurrentEntry();
    if (!FirstChanged && Current == ToldCurrent) {
        return;
    }
    const TProgressionChange Change{FirstChanged, Current};
    FirstChanged.reset();
    ToldCurrent = Current;
    for (TProgressionListener* Listener : Listeners) {
        Listener->ProgressionChanged(Change);
    }
}

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
    PlayedBefore.reset();
}

void TFormMainModel::StartAfresh(TTonality Key) {
    Progression.clear();
    MarkChanged(0);
    ResetSession();
    Tonality = Key;
    Layout.Reset(Tonality);
    TellListeners();
}

TWorkingState TFormMainModel::SaveWorkingState() const {
    return {Layout,   LastVoices, Progression, Cursor,    CandidateIndex,
            Tonality, Degree,     Variant,     HeldArrow, LastAction};
}

void TFormMainModel::RestoreWorkingState(TWorkingState State) {
    SoundOff();
    // The display shown now listens on, and sees the lines put back.
    TLinesListener* Shown = Layout.Lines().GetListener();
    Layout = std::move(State.Layout);
    Layout.Lines().SetListener(Shown);
    Layout.Lines().TellReset();
    LastVoices = State.LastVoices;
    Progression = std::move(State.Progression);
    Cursor = State.Cursor;
    CandidateIndex = State.CandidateIndex;
    Tonality = State.Tonality;
    Degree = State.Degree;
    Variant = State.Variant;
    HeldArrow = State.HeldArrow;
    LastAction = State.LastAction;
    MarkChanged(0);
    TellListeners();
}

void TFormMainModel::SoundAside(const TProgressionEntry& Entry,
                                std::optional<TVoicedChord>& Previous) {
    TChordVariant EntryVariant = Entry.Variant;
    const TChord Chord = TCalculatorEx::ChordOf(EntryVariant, Entry.Tonality, Entry.Degree);
    std::optional<TVoicedChord> Kept = std::exchange(LastVoices, Previous);
    Sound(Chord, Entry.Tonality);
    Previous = std::exchange(LastVoices, std::move(Kept));
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
    MarkChanged(Progression.size());
    Progression.push_back(
        {Tonality, Degree, Variant, LastVoices ? std::optional(LastVoices->Voices) : std::nullopt});
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
    KeepVoices(static_cast<std::size_t>(Cursor));
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
    MarkChanged(0);
    HeldArrow = 0;
    ResetSession();
    TellListeners();
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
    if (PlayedNotes) {
        // The player's own notes sound already; four of them are the voices to follow.
        LastVoices.reset();
        if (PlayedNotes->size() == 4) {
            const std::vector<int>& N = *PlayedNotes;
            LastVoices = TVoicedChord{{N[3], N[2], N[1], N[0]}, FourPartChordOf(Chord, Key)};
        }
        return;
    }
    if (Voicing == TVoicing::Block) {
        Instrument->PlayChord(Chord);
        LastVoices.reset();
        return;
    }
    const TFourPartChord Next = FourPartChordOf(Chord, Key);
    LastVoices = TVoicedChord{LeadVoices(LastVoices, Next), Next};
    Instrument->PlayVoices(LastVoices->Voices);
}

void TFormMainModel::CutProgressionAtCursor() {
    CutProgression(static_cast<std::size_t>(Cursor));
}

void TFormMainModel::CutProgression(std::size_t Size) {
    if (Progression.size() > Size) {
        Progression.resize(Size);
        MarkChanged(Size);
    }
}

// A replayed entry shows the four voices it sounded with last; one replayed in the block
// voicing keeps those it had.
void TFormMainModel::KeepVoices(std::size_t Index) {
    std::optional<TFourVoices>& Kept = Progression[Index].Voices;
    if (LastVoices && Kept != LastVoices->Voices) {
        Kept = LastVoices->Voices;
        MarkChanged(Index);
    }
}

void TFormMainModel::SoundOff() {
    if (Instrument) {
        Instrument->SoundOff();
    }
}

namespace {

constexpr std::uint32_t kStatusMask = 0xF0;
constexpr std::uint32_t kNoteOn = 0x90;
constexpr std::uint32_t kNoteOff = 0x80;
constexpr const char* kNotATriad = "弾かれた音は長三和音・短三和音・減三和音のどれでもありません。";

} // namespace

void TFormMainModel::OnMidiIn(std::uint32_t Message, std::int64_t Now) {
    const std::uint32_t Status = Message & kStatusMask;
    const int Note = static_cast<int>(Message >> 8 & 0x7F);
    const std::uint32_t Velocity = Message >> 16 & 0x7F;
    if (Status != kNoteOn && Status != kNoteOff) {
        return;
    }
    if (Instrument) {
        Instrument->PassThrough(Status == kNoteOff, Note, static_cast<int>(Velocity));
    }
    const bool Pressed = Status == kNoteOn && Velocity > 0;
    if (const std::optional<std::vector<int>> Chord =
            Pressed ? Taker.NoteOn(Note, Now) : Taker.NoteOff(Note, Now)) {
        TakePlayedChord(*Chord);
        TellListeners();
    }
}

std::optional<std::int64_t> TFormMainModel::AdvanceMidiIn(std::int64_t Now) {
    if (const std::optional<std::vector<int>> Chord = Taker.Advance(Now)) {
        TakePlayedChord(*Chord);
        TellListeners();
    }
    return Taker.Due();
}

void TFormMainModel::TakePlayedChord(const std::vector<int>& Notes) {
    TPlayedChord Played{Notes, {}, std::nullopt, {}};
    const std::optional<TChord> Named = PlayedTriad(Notes, Tonality);
    if (!Named) {
        Played.Status = kNotATriad;
        View.ShowPlayed(Played);
        return;
    }
    const std::size_t Before = Progression.size();
    const std::int32_t CursorBefore = Cursor;
    PlayedNotes = Notes;
    PlaceNamedChord(*Named);
    PlayedNotes.reset();
    const bool Placed = Cursor != CursorBefore || Progression.size() != Before;
    if (Voicing == TVoicing::FourPart && Notes.size() == 4 && Placed && LastVoices) {
        Played.Voices = LastVoices->Voices;
        Played.Breaks = VoiceBreaks(PlayedBefore, LastVoices->Voices, LastVoices->Chord);
        Progression[static_cast<std::size_t>(Cursor) - 1].Breaks = Played.Breaks;
        PlayedBefore = LastVoices;
    }
    View.ShowPlayed(Played);
}
