#include "score/export.h"

#include "progression/integer_text.h"
#include "progression/progression_file.h"
#include "score/midi_file.h"
#include "score/music_xml.h"

#include <cerrno>
#include <ctime>
#include <string_view>

namespace {

struct TExportKind {
    TExportFormat Format;
    std::string_view Extension;
};

constexpr TExportKind kExportKinds[] = {
    {TExportFormat::MusicXml, ".musicxml"},
    {TExportFormat::MidiFile, ".mid"},
};

struct TErrorReason {
    int Error;
    const char* Text;
};

// The failures a person can do something about, in their words; the rest in the system's.
constexpr TErrorReason kErrorReasons[] = {
    {EACCES, "書き込む権限がありません。"},
    {EPERM, "書き込む権限がありません。"},
    {EROFS, "読み取り専用の場所です。"},
    {ENOENT, "書き込む場所がありません。"},
    {ENOTDIR, "途中の名前がフォルダーではありません。"},
    {EISDIR, "同じ名前のフォルダーがあります。"},
    {EINVAL, "通常のファイルではありません。"},
    {ENOSPC, "ディスクに空きがありません。"},
    {EDQUOT, "ディスクの割り当てを超えます。"},
    {EFBIG, "ファイルの大きさの上限を超えます。"},
    {ENAMETOOLONG, "名前が長すぎます。"},
    {ELOOP, "シンボリックリンクが循環しています。"},
    {EIO, "ディスクの読み書きに失敗しました。"},
};

std::string TodayText() {
    const std::time_t Now = std::time(nullptr);
    std::tm Local{};
    localtime_r(&Now, &Local);
    char Date[16];
    std::strftime(Date, sizeof Date, "%Y-%m-%d", &Local);
    return Date;
}

std::string ExportBytes(const TFormMainModel& Form, TExportFormat Format) {
    if (Format == TExportFormat::MusicXml) {
        return MusicXmlScore(Form.GetProgression(), TodayText());
    }
    return StandardMidiFile(Form.GetProgression(), TextToInteger(Form.GetVoiceNoText()),
                            Form.GetVoicing());
}

} // namespace

std::string WithExportExtension(const std::string& Path, TExportFormat Format) {
    const std::size_t Slash = Path.rfind('/');
    const std::string_view Name =
        std::string_view(Path).substr(Slash == std::string::npos ? 0 : Slash + 1);
    // A leading dot names a hidden file; it is no extension.
    if (Name.empty() || Name.find('.', 1) != std::string_view::npos) {
        return Path;
    }
    for (const TExportKind& Kind : kExportKinds) {
        if (Kind.Format == Format) {
            return Path + std::string(Kind.Extension);
        }
    }
    return Path;
}

std::optional<std::string> ExportProgression(const TFormMainModel& Form, TExportFormat Format,
                                             const std::string& Path) {
    const std::error_code Error = WriteWholeFile(Path, ExportBytes(Form, Format));
    if (!Error) {
        return std::nullopt;
    }
    return "「" + Path + "」に書き出せませんでした。" + WriteErrorReason(Error);
}

std::string WriteErrorReason(std::error_code Error) {
    if (Error.category() == std::generic_category() || Error.category() == std::system_category()) {
        for (const TErrorReason& Reason : kErrorReasons) {
            if (Reason.Error == Error.value()) {
                return Reason.Text;
            }
        }
    }
    return Error.message();
}
