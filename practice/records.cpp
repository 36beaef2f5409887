#include "practice/records.h"

#include "progression/progression_file.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader = "kadenzo-practice-records 1";
constexpr std::string_view kLesson = "lesson ";
constexpr std::string_view kConfusion = "confusion ";
// Far beyond any student's records: a bigger file is not ours.
constexpr std::uintmax_t kMaxBytes = 4 * 1024 * 1024;
constexpr int kMaxAsideNumber = 1000;

std::string Escaped(const std::string& Name) {
    std::string Text;
    for (const char Character : Name) {
        Text += Character == '\\'   ? "\\\\"
                : Character == '\n' ? "\\n"
                : Character == '\r' ? "\\r"
                                    : std::string(1, Character);
    }
    return Text;
}

std::optional<std::string> Unescaped(std::string_view Text) {
    std::string Name;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '\r') {
            return std::nullopt; // the writer escapes it: a line end of another system
        }
        if (Text[i] != '\\') {
            Name += Text[i];
            continue;
        }
        const char Next = ++i < Text.size() ? Text[i] : '\0';
        if (Next != '\\' && Next != 'n' && Next != 'r') {
            return std::nullopt;
        }
        Name += Next == 'n' ? '\n' : Next == 'r' ? '\r' : '\\';
    }
    return Name;
}

// The next space-ended decimal field of Text, taken off it.
std::optional<std::uint32_t> TakeCount(std::string_view& Text) {
    const std::size_t End = Text.find(' ');
    const std::string_view Field = Text.substr(0, End);
    Text.remove_prefix(End == std::string_view::npos ? Text.size() : End + 1);
    if (Field.empty() || Field.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t Value = 0;
    for (const char Digit : Field) {
        if (Digit < '0' || Digit > '9') {
            return std::nullopt;
        }
        Value = Value * 10 + static_cast<std::uint64_t>(Digit - '0');
    }
    if (Value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(Value);
}

std::string RecordsText(const TRecords& Records) {
    std::string Text = std::string(kHeader) + "\n";
    for (const auto& [Name, Record] : Records) {
        Text += std::string(kLesson) + std::to_string(Record.Asked) + " " +
                std::to_string(Record.Right) + " " + Escaped(Name) + "\n";
        for (std::size_t Expected = 0; Expected < 7; ++Expected) {
            for (std::size_t Answered = 0; Answered < 7; ++Answered) {
                if (const std::uint32_t Count = Record.Confusion[Expected][Answered]) {
                    Text += std::string(kConfusion) + std::to_string(Expected + 1) + " " +
                            std::to_string(Answered + 1) + " " + std::to_string(Count) + "\n";
                }
            }
        }
    }
    return Text;
}

std::optional<TRecords> ParseRecords(std::string_view Text) {
    if (Text.substr(0, kHeader.size() + 1) != std::string(kHeader) + "\n") {
        return std::nullopt;
    }
    Text.remove_prefix(kHeader.size() + 1);
    TRecords Records;
    TLessonRecord* Current = nullptr;
    while (!Text.empty()) {
        const std::size_t End = Text.find('\n');
        if (End == std::string_view::npos) {
            return std::nullopt; // the last line is unfinished
        }
        std::string_view Line = Text.substr(0, End);
        Text.remove_prefix(End + 1);
        if (Line.substr(0, kLesson.size()) == kLesson) {
            Line.remove_prefix(kLesson.size());
            const std::optional<std::uint32_t> Asked = TakeCount(Line);
            const std::optional<std::uint32_t> Right = TakeCount(Line);
            const std::optional<std::string> Name = Unescaped(Line);
            if (!Asked || !Right || *Right > *Asked || !Name || Name->empty() ||
                Records.count(*Name) != 0) {
                return std::nullopt;
            }
            Current = &Records[*Name];
            Current->Asked = *Asked;
            Current->Right = *Right;
        } else if (Line.substr(0, kConfusion.size()) == kConfusion && Current) {
            Line.remove_prefix(kConfusion.size());
            const std::optional<std::uint32_t> Expected = TakeCount(Line);
            const std::optional<std::uint32_t> Answered = TakeCount(Line);
            const std::optional<std::uint32_t> Count = TakeCount(Line);
            if (!Expected || !Answered || !Count || !Line.empty() || *Expected < 1 ||
                *Expected > 7 || *Answered < 1 || *Answered > 7 || *Count == 0) {
                return std::nullopt;
            }
            std::uint32_t& Cell = Current->Confusion[*Expected - 1][*Answered - 1];
            if (Cell != 0) {
                return std::nullopt;
            }
            Cell = *Count;
        } else {
            return std::nullopt;
        }
    }
    return Records;
}

// Moves the damaged file at Path aside; the name it now has, or nothing when it could not move.
std::optional<std::string> SetAside(const std::string& Path) {
    for (int Number = 1; Number <= kMaxAsideNumber; ++Number) {
        const std::string Aside = Path + ".damaged-" + std::to_string(Number);
        std::error_code Error;
        if (fs::exists(fs::symlink_status(Aside, Error))) {
            continue;
        }
        fs::rename(Path, Aside, Error);
        return Error ? std::nullopt : std::optional<std::string>(Aside);
    }
    return std::nullopt;
}

} // namespace

TRecordsRead ReadRecords(const std::string& Path) {
    std::error_code Error;
    const fs::file_status Status = fs::status(Path, Error);
    if (Status.type() == fs::file_type::not_found) {
        return {};
    }
    const std::string Unreadable = "成績ファイルを読めないため、成績を新しく始めます: " + Path;
    if (Error || Status.type() != fs::file_type::regular) {
        return {{}, Unreadable};
    }
    std::optional<TRecords> Records;
    if (fs::file_size(Path, Error) <= kMaxBytes && !Error) {
        std::ifstream File(Path, std::ios::binary);
        if (!File) {
            return {{}, Unreadable};
        }
        std::ostringstream Text;
        Text << File.rdbuf();
        Records = ParseRecords(Text.str());
    }
    if (Records) {
        return {std::move(*Records), ""};
    }
    const std::optional<std::string> Aside = SetAside(Path);
    return {{},
            Aside ? "成績ファイルが壊れていたため " + *Aside + " に移し、成績を新しく始めます。"
                  : "成績ファイルが壊れていたため、成績を新しく始めます: " + Path};
}

std::error_code WriteRecords(const std::string& Path, const TRecords& Records) {
    std::error_code Unused;
    const fs::path Folder = fs::path(Path).parent_path();
    if (!Folder.empty()) {
        fs::create_directories(Folder, Unused);
    }
    return WriteWholeFile(Path, RecordsText(Records));
}
