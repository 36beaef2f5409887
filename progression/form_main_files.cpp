#include "progression/form_main_model.h"
#include "progression/integer_text.h"
#include "progression/midi_file.h"
#include "progression/music_xml.h"
#include "progression/progression_file.h"

#include <ctime>

namespace {

constexpr const char* kWriteCaption = "コード進行書出し";
constexpr const char* kReadCaption = "コード進行読込み";
constexpr const char* kWriteError = "コード進行の書出しでエラーが発生しました。";
constexpr const char* kReadError = "コード進行の読込みでエラーが発生しました。";

std::string ExportError(const std::string& Path) {
    return "「" + Path + "」に書き出せませんでした。";
}

} // namespace

void TFormMainModel::ExportMusicXml(const std::string& Path) {
    const std::time_t Now = std::time(nullptr);
    std::tm Local{};
    localtime_r(&Now, &Local);
    char Date[16];
    std::strftime(Date, sizeof Date, "%Y-%m-%d", &Local);
    if (!WriteWholeFile(Path, MusicXmlScore(Progression, Date))) {
        View.ShowError(ExportError(Path));
    }
}

void TFormMainModel::ExportMidiFile(const std::string& Path) {
    const std::optional<std::int32_t> Program = TextToInteger(VoiceNoText);
    if (!WriteWholeFile(Path, StandardMidiFile(Progression, Program, Voicing))) {
        View.ShowError(ExportError(Path));
    }
}

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
