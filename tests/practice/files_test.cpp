// What the practice reads and writes: the lessons, a teacher's folder and the records file.
#include "practice/lessons.h"
#include "practice/records.h"
#include "progression/progression_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class PracticeFiles : public testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override { fs::remove_all(Folder); }
    void Put(const std::string& Name, const std::string& Text) {
        std::ofstream(Folder / Name, std::ios::binary) << Text;
    }
    std::string Get(const std::string& Name) {
        std::ifstream File(Folder / Name, std::ios::binary);
        return {std::istreambuf_iterator<char>(File), {}};
    }
    std::string Path(const std::string& Name) const { return (Folder / Name).string(); }

    const fs::path Folder =
        fs::path(testing::TempDir()) / ("kadenzo-practice-" + std::to_string(getpid()));
};

TEST(BuiltInLessons, HaveTheirTitles) {
    const char* const kTitles[] = {"主要三和音", "副三和音", "短調", "借用・ドリア・ナポリ",
                                   "副属和音",   "転調",     "総合"};
    for (std::int32_t Number = 1; Number <= 7; ++Number) {
        EXPECT_STREQ(FindBuiltInLesson(Number)->Title, kTitles[Number - 1]);
    }
    EXPECT_EQ(FindBuiltInLesson(8), nullptr);
}

// Files in name order, lesson.txt's title, variants as the keys place them; what does not
// read is skipped and named, hidden files and folders are passed over.
TEST_F(PracticeFiles, TeacherLessonTakesEveryProgressionInTheFolder) {
    Put("b.prg", "G 0010\r\nG 0050\r\nG 0010\r\n");
    Put("a.prg", "C 0010\r\nC 0051\r\nC 0010\r\n"); // a borrowed V is the plain V
    Put("c.prg", "not a progression\r\n");
    Put("d.prg", "");
    Put(".hidden", "C 0010\r\n");
    Put("lesson.txt", "終止形\r\nmore\r\n");
    fs::create_directory(Folder / "sub");
    const TTeacherLessonRead Read = ReadTeacherLesson(Folder.string());
    ASSERT_TRUE(Read.Lesson);
    EXPECT_EQ(Read.Lesson->Title, "終止形");
    ASSERT_EQ(Read.Lesson->Questions.size(), 2u);
    EXPECT_EQ(EntryLine(Read.Lesson->Questions[0].Entries[1]), "C 0050");
    EXPECT_EQ(EntryLine(TeacherQuestion(*Read.Lesson, 3).Entries[0]), "G 0010");
    EXPECT_EQ(Read.Lesson->Skipped, (std::vector<std::string>{"c.prg", "d.prg"}));
    EXPECT_NE(Read.Message.find("c.prg、d.prg"), std::string::npos);
    for (const char* Name : {"a.prg", "b.prg", "lesson.txt"}) {
        fs::remove(Folder / Name);
    }
    EXPECT_FALSE(ReadTeacherLesson(Folder.string()).Lesson);
    EXPECT_FALSE(ReadTeacherLesson(Path("none")).Message.empty());
}

TRecords SomeRecords() {
    TRecords Records{{"1", {4, 3, {}}}, {"/home/友 子\\lessons\nnew", {1, 0, {}}}};
    Records["1"].Confusion[4][1] = 2;
    Records["1"].Confusion[6][6] = 7;
    return Records;
}

// Written, read and written again: the same text.
TEST_F(PracticeFiles, RecordsReadBackAsWritten) {
    EXPECT_TRUE(ReadRecords(Path("data/records")).Records.empty());
    EXPECT_EQ(ReadRecords(Path("data/records")).Message, "");
    ASSERT_FALSE(WriteRecords(Path("data/records"), SomeRecords()));
    const TRecordsRead Read = ReadRecords(Path("data/records"));
    EXPECT_EQ(Read.Message, "");
    ASSERT_FALSE(WriteRecords(Path("again"), Read.Records));
    EXPECT_EQ(Get("again"), "kadenzo-practice-records 1\nlesson 1 0 /home/友 子\\\\lessons\\nnew\n"
                            "lesson 4 3 1\nconfusion 5 2 2\nconfusion 7 7 7\n");
}

// Any line that does not parse sets the file aside, under the first free name, and the
// records start afresh.
TEST_F(PracticeFiles, DamagedRecordsAreSetAside) {
    const std::string kHead = "kadenzo-practice-records 1\n";
    const std::string kDamaged[] = {
        "",
        "kadenzo-practice-records 2\n",
        kHead + "lesson 1 0 1",                 // the last line unfinished
        kHead + "confusion 1 2 3\n",            // before any lesson
        kHead + "lesson 2 3 1\n",               // more right than asked
        kHead + "lesson 1 0 1\nlesson 1 0 1\n", // a lesson twice
        kHead + "lesson 1 0 a\\b\n",            // an unknown escape
        kHead + "lesson 1 0\n",                 // no name
        kHead + "lesson 4294967296 0 1\n",
        kHead + "lesson 1 0 1\nconfusion 8 1 1\n",
        kHead + "lesson 1 0 1\nconfusion 1 1 0\n",
        kHead + "lesson 1 0 1\nconfusion 1 1 1\nconfusion 1 1 2\n",
        kHead + "lesson 1 0 1\r\n",
    };
    Put("records.damaged-1", "taken");
    for (const std::string& Text : kDamaged) {
        Put("records", Text);
        const TRecordsRead Read = ReadRecords(Path("records"));
        EXPECT_TRUE(Read.Records.empty()) << Text;
        EXPECT_NE(Read.Message.find("records.damaged-2"), std::string::npos) << Text;
        EXPECT_EQ(Get("records.damaged-2"), Text);
        fs::remove(Folder / "records.damaged-2");
    }
    Put("records", kHead + "lesson 1 0 1\nconfusion 1 1 4294967295\n");
    EXPECT_EQ(ReadRecords(Path("records")).Message, "");
}

// In a child process: ends with 7 when the write failed at the file-size limit.
void WriteAtTheLimit(const std::string& File, const TRecords& Records) {
    const rlimit Limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &Limit);
    _exit(WriteRecords(File, Records) == std::errc::file_too_large ? 7 : 0);
}

// A write that stops halfway leaves the old records whole.
TEST_F(PracticeFiles, RecordsSurviveAWriteThatStopsHalfway) {
    ASSERT_FALSE(WriteRecords(Path("records"), SomeRecords()));
    EXPECT_EXIT(WriteAtTheLimit(Path("records"), {{std::string(100, 'x'), {}}}),
                testing::ExitedWithCode(7), "");
    EXPECT_EQ(ReadRecords(Path("records")).Records.at("1").Right, 3u);
}

} // namespace
