#pragma once

#include "harmony/chord.h"
#include "midi/instrument.h"
#include "midi/midi_backend.h"
#include "progression/display_layout.h"
#include "progression/form_main_view.h"
#include "progression/played_chord.h"
#include "progression/progression_entry.h"
#include "progression/progression_listener.h"
#include "progression/voicing.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A named chord placed for the first time, or read again in another key by Space.
enum class TNamedReading : std::uint8_t { First, Again };

// The working state of the model (display, progression, cursor, key and the rest), which a
// dictation answer borrows and gives back.
struct TWorkingState {
    TDisplayLayout Layout;
    std::optional<TVoicedChord> LastVoices;
    std::vector<TProgressionEntry> Progression;
    std::int32_t Cursor;
    std::int32_t CandidateIndex;
    TTonality Tonality;
    std::int32_t Degree;
    TChordVariant Variant;
    std::uint16_t HeldArrow;
    TLastAction LastAction;
};

// Modifier bits of a key event.
using TShiftState = std::uint8_t;
inline constexpr TShiftState ssShift = 1;
inline constexpr TShiftState ssAlt = 2;
inline constexpr TShiftState ssCtrl = 4;

// The state and the event handlers of the main window TFormMain, without the window: key
// commands, the progression and its replay, the display lines, the device and program
// choice, and the progression file buttons.
class TFormMainModel {
public:
    TFormMainModel(TMidiBackend& Backend, TFormMainView& View);

    // Handlers of the window's events.
    void FormShow();
    void FormClose();
    void OnKeyDown(std::uint16_t& Key, TShiftState Shift); // sets Key to 0: always consumed
    void OnKeyUp(std::uint16_t Key, TShiftState Shift);
    void ListBoxDevsClick();
    void ButtonVoiceNoClick();
    void ButtonSoundOffClick();
    void ButtonInitClick();
    void ButtonWriteClick();
    void ButtonReadClick();

    // The controls whose content the handlers read.
    void SetSelectedDevice(int Index) { SelectedDevice = Index; }
    void SetVoiceNoText(std::string Text) { VoiceNoText = std::move(Text); }
    const std::string& GetVoiceNoText() const { return VoiceNoText; }
    void SetVoicing(TVoicing NewVoicing) { Voicing = NewVoicing; }
    TVoicing GetVoicing() const { return Voicing; }

    // Playing in from an input keyboard, at Now (microseconds on the caller's clock): a note-on
    // or note-off on any channel sounds at once as played; a chord taken enters the progression
    // as its letter key would enter it, without sounding again; other messages are ignored.
    void OnMidiIn(std::uint32_t Message, std::int64_t Now);
    // Time passing with no message: notes held may settle into a chord. When they next may.
    std::optional<std::int64_t> AdvanceMidiIn(std::int64_t Now);

    // Views told after each event handler that changed the progression or moved the cursor;
    // each stays registered until it removes itself.
    void AddListener(TProgressionListener& Listener);
    void RemoveListener(TProgressionListener& Listener);

    // The working state, for the window and the runner to show.
    TDisplayLines& Lines() { return Layout.Lines(); }
    const std::vector<TProgressionEntry>& GetProgression() const { return Progression; }
    TTonality GetTonality() const { return Tonality; }
    std::int32_t GetDegree() const { return Degree; }
    TChordVariant GetVariant() const { return Variant; }
    std::int32_t GetCursor() const { return Cursor; }
    TLastAction GetLastAction() const { return LastAction; }
    std::int32_t GetCandidateIndex() const { return CandidateIndex; }
    std::int32_t GetLabelLine() const { return Layout.LabelLine(); }
    std::int32_t GetKeyLabelColumn() const { return Layout.KeyLabelColumn(); }
    std::uint16_t GetHeldArrow() const { return HeldArrow; }
    // The entry the cursor stands after (the chord last placed or replayed); nothing after
    // Home, initialisation and reading a file.
    std::optional<std::size_t> CurrentEntry() const;

    // Working state and progression.
    void ResetSession();
    // An empty progression and a fresh session in Key, as Home leaves it: where the answer to
    // a dictation question starts.
    void StartAfresh(TTonality Key);
    TWorkingState SaveWorkingState() const;
    // Everything as it was when State was saved; the views are told the whole progression.
    void RestoreWorkingState(TWorkingState State);
    // Sounds Entry in the voicing chosen, led from Previous (nothing: afresh), which it then
    // holds; the working state is left as it is. How a dictation question sounds.
    void SoundAside(const TProgressionEntry& Entry, std::optional<TVoicedChord>& Previous);
    void CommitDegree(std::int32_t NewDegree, TChordVariant NewVariant);
    void ReplayNext();

    // Keyboard commands.
    void ChangeKey(bool FifthUp, bool FifthDown);
    void EnterChordName(char Letter, bool Sharp, bool Flat, bool Minor, bool Diminished);
    // Named, placed in the current key. Read again, its name (last on the chord line) is
    // written afresh rather than over what is left of the old one.
    void CommitNamedChord(const std::optional<TChord>& Previous, const TChord& Named,
                          TKeyLabelPlace Place, TNamedReading Reading = TNamedReading::First);
    void NextInterpretation();
    void SecondaryDominant(std::int32_t Digit);
    void PivotTo(std::int32_t Target);

private:
    // The chord last placed or replayed; nothing before the first one after a reset.
    std::optional<TChord> PreviousChord();
    // Writes the chord just played, at this degree and variant of the key, and records it at
    // the cursor.
    void RecordChord(const TChord& Chord, std::int32_t NewDegree, TChordVariant NewVariant);
    void CutProgressionAtCursor();
    void CutProgression(std::size_t Size);
    // Entry Index keeps the four voices that just sounded.
    void KeepVoices(std::size_t Index);
    // Sounds Chord, of Key, as the voicing asks: the first thing a command does once it knows
    // its chord, before any display work.
    void Sound(const TChord& Chord, const TTonality& Key);
    // Where the next key label goes: over the last one when no chord followed it.
    TKeyLabelPlace NextKeyLabelPlace() const;
    // The display at a change of key: the chord before, read in the new key as a pivot where
    // it has a degree there, else the new key's label and a gap.
    void WriteKeyChange(const std::optional<TChord>& Previous, TKeyLabelPlace Place);
    bool OpenSelectedDevice(bool AtStartUp);
    // Entries from Index on are new or different.
    void MarkChanged(std::size_t Index);
    // Tells the listeners what changed since they were last told.
    void TellListeners();
    void SoundOff();
    void TakePlayedChord(const std::vector<int>& Notes);
    // The triad Named placed in the current key, as its letter key places it.
    void PlaceNamedChord(const TChord& Named);

    TMidiBackend& Backend;
    TFormMainView& View;
    TDisplayLayout Layout;
    std::vector<std::string> DeviceNames;
    int SelectedDevice = -1;
    std::string VoiceNoText = "49";

    std::unique_ptr<TInstrument> Instrument;
    TVoicing Voicing = TVoicing::Block;
    // The four voices that sounded last, with their chord; nothing after a reset or a block
    // chord.
    std::optional<TVoicedChord> LastVoices;
    std::vector<TProgressionEntry> Progression;
    std::int32_t Cursor = 0;
    std::int32_t CandidateIndex = 1;
    TTonality Tonality{{'C', 0}, mdMajor};
    std::int32_t Degree = 0;
    TChordVariant Variant = 0;
    std::uint16_t HeldArrow = 0;
    TLastAction LastAction = laNone;

    // Playing in: the notes held, the four voices played before (nothing after a reset), and
    // the notes a chord being placed was played with, which sound already.
    TChordTaker Taker;
    std::optional<TVoicedChord> PlayedBefore;
    std::optional<std::vector<int>> PlayedNotes;

    std::vector<TProgressionListener*> Listeners;
    std::optional<std::size_t> FirstChanged;
    std::optional<std::size_t> ToldCurrent;
};
