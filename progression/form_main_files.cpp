#include "progression/form_main_model.h"
#include "progression/progression_file.h"

namespace {

constexpr const char* kWriteCaption = "コード進行書出し";
constexpr const char* kReadCaption = "コード進行読込み";
constexpr const char* kWriteError = "コード進行の書出しでエラーが発生しました。";
constexpr const char* kReadError = "コード進行の読込みでエラーが発生しました。";

} // namespace

void TFormMainModel::ButtonWriteClick() {
    SoundOff();
    View.FocusDisplay();
    const std::optional<std::string> Name = View.QueryFileName(kWriteCaption);
    if (Name && !WriteProgressionFile(*Name, Progression)) {
        View.ShowError(kWriteError);
    }
}

// All or nothing: the progression is replaced only by a file that reads whole.
void TFormMainModel::ButtonReadClick() {
    SoundOff();
    View.FocusDisplay();
    const std::optional<std::string> Name = View.QueryFileName(kReadCaption);
    if (!Name) {
        return;
    }
    if (std::optional<std::vector<TProgressionEntry>> Read = ReadProgressionFile(*Name)) {
        Progression = std::move(*Read);
        MarkChanged(0);
    } else {
        View.ShowError(kReadError);
    }
    ResetSession();
    TellListeners();
}
