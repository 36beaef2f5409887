// Grading an answer entry by entry, and what a finished answer adds to its lesson's record.
#include "practice/grading.h"
#include "progression/progression_file.h"

#include <gtest/gtest.h>

namespace {

TProgressionEntry Entry(const char* Line) {
    return *ParseEntryLine(Line);
}

TQuestion QuestionOf(std::initializer_list<const char*> Lines) {
    TQuestion Question;
    for (const char* Line : Lines) {
        Question.Entries.push_back(Entry(Line));
    }
    return Question;
}

const TQuestion kQuestion = QuestionOf({"C 0010", "C 0041", "G 0050", "G 0010", "C 0010"});

TEST(GradeEntry, IsRightOnlyForTheSameLine) {
    const struct {
        std::size_t Index;
        const char* Answered;
        bool Right;
    } kCases[] = {
        {0, "C 0010", true},  {1, "C 0041", true},
        {1, "C 0040", false}, // the plain IV for the borrowed one
        {2, "C 0020", false}, // the same chord, D major, as another key's degree
        {3, "C 0050", false}, // G major as C's V, not G's I
        {4, "B 1010", false}, // B♯ is not C
        {4, "C 0110", false}, // the minor key
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.Answered);
        const TGrade Grade = GradeEntry(kQuestion, c.Index, Entry(c.Answered));
        EXPECT_EQ(Grade.Right, c.Right);
        EXPECT_EQ(Grade.Index, c.Index);
        EXPECT_EQ(Grade.Expected, EntryLine(kQuestion.Entries[c.Index]));
    }
}

// Entries graded as the model places them; the record takes the first answer at each place.
TEST(AnswerSheet, GradesAsPlacedAndRecordsTheFirstTry) {
    const struct {
        const char* Name;
        std::vector<std::pair<std::vector<const char*>, std::size_t>>
            Steps; // answer, first changed
        std::size_t Right;
        bool FirstTry;
        std::vector<std::pair<int, int>> Confused; // expected, answered (first answers)
        std::uint32_t Answered;                    // places answered
        std::size_t Graded;
    } kCases[] = {
        {"all right", {{{"C 0010", "C 0041", "G 0050", "G 0010", "C 0010"}, 0}}, 5, true, {}, 5, 5},
        {"a wrong IV corrected",
         {{{"C 0010"}, 0},
          {{"C 0010", "C 0040"}, 1},
          {{"C 0010", "C 0041", "G 0050", "G 0010", "C 0010"}, 1}},
         5,
         false,
         {},
         5,
         6},
        {"V answered as II at the end",
         {{{"C 0010", "C 0041", "C 0020", "G 0010", "C 0010"}, 0}},
         4,
         false,
         {{5, 2}},
         5,
         5},
        {"one short", {{{"C 0010", "C 0041", "G 0050", "G 0010"}, 0}}, 4, false, {}, 4, 4},
        {"more than asked",
         {{{"C 0010", "C 0041", "G 0050", "G 0010", "C 0010", "C 0050"}, 0}},
         5,
         true,
         {},
         5,
         5},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.Name);
        TAnswerSheet Sheet(kQuestion);
        std::size_t Graded = 0;
        for (const auto& [Lines, FirstChanged] : c.Steps) {
            std::vector<TProgressionEntry> Answer;
            for (const char* Line : Lines) {
                Answer.push_back(Entry(Line));
            }
            Graded += Sheet.Grade(Answer, FirstChanged).size();
        }
        EXPECT_EQ(Graded, c.Graded);
        EXPECT_EQ(Sheet.Complete(), c.Answered == 5);
        EXPECT_EQ(Sheet.RightCount(), c.Right);
        EXPECT_EQ(Sheet.RightAtFirstTry(), c.FirstTry);
        TLessonRecord Record;
        Record.Asked = 2;
        Sheet.AddTo(Record);
        EXPECT_EQ(Record.Asked, 3u);
        EXPECT_EQ(Record.Right, c.FirstTry ? 1u : 0u);
        std::uint32_t Diagonal = 0, Off = 0;
        for (int e = 1; e <= 7; ++e) {
            for (int a = 1; a <= 7; ++a) {
                const std::uint32_t Count = Record.Confusion[e - 1][a - 1];
                (e == a ? Diagonal : Off) += Count;
            }
        }
        EXPECT_EQ(Off, c.Confused.size());
        for (const auto& [e, a] : c.Confused) {
            EXPECT_EQ(Record.Confusion[e - 1][a - 1], 1u);
        }
        EXPECT_EQ(Diagonal + Off, c.Answered);
    }
}

TEST(ConfusedDegrees, WeighBothDegreesOfAMistake) {
    TLessonRecord Record;
    Record.Confusion[4][1] = 3; // V heard as II three times
    Record.Confusion[3][3] = 9; // IV heard right: no weight
    EXPECT_EQ(ConfusedDegrees(Record), (TDegreeWeights{0, 3, 0, 0, 3, 0, 0}));
}

} // namespace
