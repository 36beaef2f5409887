#pragma once

#include "harmony/chord.h"
#include "midi/instrument.h"
#include "midi/midi_backend.h"
#include "progression/display_lines.h"
#include "progression/form_main_view.h"
#include "progression/progression_entry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

    // The working state, for the window and the runner to show.
    TDisplayLines& Lines() { return Display; }
    const std::vector<TProgressionEntry>& GetProgression() const { return Progression; }
    TTonality GetTonality() const { return Tonality; }
    std::int32_t GetDegree() const { return Degree; }
    TChordVariant GetVariant() const { return Variant; }
    std::int32_t GetCursor() const { return Cursor; }
    TLastAction GetLastAction() const { return LastAction; }
    std::int32_t GetCandidateIndex() const { return CandidateIndex; }
    std::int32_t GetLabelLine() const { return LabelLine; }
    std::int32_t GetKeyLabelColumn() const { return KeyLabelColumn; }
    std::uint16_t GetHeldArrow() const { return HeldArrow; }

    // Working state and progression.
    void ResetSession();
    void CommitDegree(std::int32_t NewDegree, TChordVariant NewVariant);
    void ReplayNext();

    // Keyboard commands.
    void ChangeKey(bool FifthUp, bool FifthDown);
    void EnterChordName(char Letter, bool Sharp, bool Flat, bool Minor, bool Diminished);
    void CommitNamedChord(const std::optional<TChord>& Previous, const TChord& Named);
    void NextInterpretation();
    void SecondaryDominant(std::int32_t Digit);
    void PivotTo(std::int32_t Target);

    // Display.
    void WriteTonalityLabel();
    void WriteDegreeLabel();
    void WriteChord(const TChord& Chord);

private:
    // The chord last placed or replayed; nothing before the first one after a reset.
    std::optional<TChord> PreviousChord();
    // Writes the chord just played at Degree and Variant and records it at the cursor.
    void RecordChord(const TChord& Chord);
    void CutProgressionAtCursor();
    void AppendSeparator();
    bool OpenSelectedDevice(bool AtStartUp);
    void SoundOff();

    TMidiBackend& Backend;
    TFormMainView& View;
    TDisplayLines Display;
    std::vector<std::string> DeviceNames;
    int SelectedDevice = -1;
    std::string VoiceNoText = "49";

    std::unique_ptr<TInstrument> Instrument;
    std::vector<TProgressionEntry> Progression;
    std::int32_t Cursor = 0;
    std::int32_t LabelLine = 3;
    std::int32_t KeyLabelColumn = 0;
    std::int32_t CandidateIndex = 1;
    TTonality Tonality{{'C', 0}, 0};
    std::int32_t Degree = 0;
    TChordVariant Variant = 0;
    std::uint16_t HeldArrow = 0;
    TLastAction LastAction = laNone;
};
