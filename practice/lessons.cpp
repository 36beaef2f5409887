#include "practice/lessons.h"

#include "harmony/calculator.h"
#include "progression/progression_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr char kTitleFile[] = "lesson.txt";

// The title: the first line of lesson.txt, without its line end; else the folder's name.
std::string TitleOf(const fs::path& Folder) {
    std::ifstream File(Folder / kTitleFile, std::ios::binary);
    std::string Line;
    if (File && std::getline(File, Line)) {
        if (!Line.empty() && Line.back() == '\r') {
            Line.pop_back();
        }
        if (!Line.empty()) {
            return Line;
        }
    }
    const fs::path Name =
        Folder.filename().empty() ? Folder.parent_path().filename() : Folder.filename();
    return Name.string();
}

// The entries as the keys place them: a variant where the degree has none is the plain chord.
TQuestion AsPlaced(std::vector<TProgressionEntry> Entries) {
    for (TProgressionEntry& Entry : Entries) {
        TCalculatorEx::ChordOf(Entry.Variant, Entry.Tonality, Entry.Degree);
    }
    return {std::move(Entries)};
}

std::string JoinedNames(const std::vector<std::string>& Names) {
    std::string Joined;
    for (const std::string& Name : Names) {
        Joined += (Joined.empty() ? "" : "、") + Name;
    }
    return Joined;
}

} // namespace

const TBuiltInLesson* FindBuiltInLesson(std::int32_t Number) {
    for (const TBuiltInLesson& Lesson : BuiltInLessons) {
        if (Lesson.Number == Number) {
            return &Lesson;
        }
    }
    return nullptr;
}

std::vector<TTonality> LessonKeys(const TBuiltInLesson& Lesson) {
    TTonality Major{{'C', 0}, mdMajor};
    for (std::int32_t i = 0; i < Lesson.MaxFifths; ++i) {
        Major.Tonic = TCalculator::TransposeDown(Major.Tonic, PerfectFifth);
    }
    std::vector<TTonality> Keys;
    for (std::int32_t i = -Lesson.MaxFifths; i <= Lesson.MaxFifths; ++i) {
        if (Lesson.Modes & lkMajor) {
            Keys.push_back(Major);
        }
        if (Lesson.Modes & lkMinor) {
            Keys.push_back({TCalculator::TransposeDown(Major.Tonic, MinorThird), mdMinor});
        }
        Major.Tonic = TCalculator::Transpose(Major.Tonic, PerfectFifth);
    }
    return Keys;
}

TTeacherLessonRead ReadTeacherLesson(const std::string& Folder) {
    std::error_code Error;
    std::vector<fs::path> Files;
    for (fs::directory_iterator It(Folder, Error), End; !Error && It != End; It.increment(Error)) {
        const std::string Name = It->path().filename().string();
        std::error_code TypeError;
        if (Name != kTitleFile && Name[0] != '.' && It->is_regular_file(TypeError)) {
            Files.push_back(It->path());
        }
    }
    if (Error) {
        return {std::nullopt, "問題のフォルダを読めません: " + Folder};
    }
    std::sort(Files.begin(), Files.end());
    TTeacherLesson Lesson{Folder, TitleOf(Folder), {}, {}};
    for (const fs::path& File : Files) {
        std::optional<std::vector<TProgressionEntry>> Entries = ReadProgressionFile(File.string());
        if (Entries && !Entries->empty()) {
            Lesson.Questions.push_back(AsPlaced(std::move(*Entries)));
        } else {
            Lesson.Skipped.push_back(File.filename().string());
        }
    }
    if (Lesson.Questions.empty()) {
        return {std::nullopt, "問題にできるファイルがありません: " + Folder};
    }
    std::string Message;
    if (!Lesson.Skipped.empty()) {
        Message = "読めないファイルを飛ばしました: " + JoinedNames(Lesson.Skipped);
    }
    return {std::move(Lesson), std::move(Message)};
}

TQuestion TeacherQuestion(const TTeacherLesson& Lesson, std::uint32_t Seed) {
    if (Lesson.Questions.empty()) {
        return {};
    }
    return Lesson.Questions[Seed % Lesson.Questions.size()];
}
