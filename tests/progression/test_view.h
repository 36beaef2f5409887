#pragma once

#include "progression/form_main_view.h"

#include <optional>
#include <string>
#include <vector>

// A window around the model for its tests: it keeps the last conversion error and answers
// every file-name query with a cancel.
class TRecordingView : public TFormMainView {
public:
    void FocusDisplay() override {}
    void ListDevices(const std::vector<std::string>&) override {}
    void SelectDevice(int) override {}
    std::optional<std::string> QueryFileName(const std::string&) override { return {}; }
    void ShowError(const std::string&) override {}
    void ShowConversionError(const std::string& Message) override { Shown = Message; }
    std::string Shown;
};
