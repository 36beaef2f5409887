#pragma once

#include <optional>
#include <string>
#include <vector>

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
};
