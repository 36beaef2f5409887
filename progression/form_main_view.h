#pragma once

#include "harmony/four_part.h"
#include "harmony/voice_rules.h"

#include <optional>
#include <string>
#include <vector>

// A chord played in on an input keyboard, as the model took it.
struct TPlayedChord {
    std::vector<int> Notes; // low to high
    // Why it did not enter the progression ("" when it did).
    std::string Status;
    // With four voices chosen and four notes held: the voices, top down, and what they broke.
    std::optional<TFourVoices> Voices;
    std::vector<TVoiceBreak> Breaks;
};

// What the main window's model asks of the window around it: the focus, the device list,
// and the two dialogs. The window, the key-script runner and the tests each provide one.
class TFormMainView {
public:
    virtual ~TFormMainView() = default;
    // The progression display (MemoChord) takes the keyboard focus.
    virtual void FocusDisplay() = 0;
    virtual void ListDevices(const std::vector<std::string>& Names) = 0;
    virtual void SelectDevice(int Index) = 0;
    // The file-name query with this caption; nothing when cancelled.
    virtual std::optional<std::string> QueryFileName(const std::string& Caption) = 0;
    // The error dialog titled "エラー".
    virtual void ShowError(const std::string& Message) = 0;
    // The program-number field's conversion error.
    virtual void ShowConversionError(const std::string& Message) = 0;
    // A chord played in was taken; views that show nothing of it need not care.
    virtual void ShowPlayed(const TPlayedChord& /*Played*/) {}
};
