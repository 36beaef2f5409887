// Grading an answer entry by entry, and what a finished answer adds to its lesson's record.
#include "practice/grading.h"
#include "progression/progression_file.h"

#include <gtest/gtest.h>

namespace {

// Entries from their lines, each followed by one space.
std::vector<TProgressionEntry> Entries(std::string Lines) {
    std::vector<TProgressionEntry> Parsed;
    for (std::size_t At = 0; At < Lines.size(); At += 7) {
        Parsed.push_back(*ParseEntryLine(Lines.substr(At, 6)));
    }
    return Parsed;
}

const char kRight[] = "C 0010 C 0041 G 0050 G 0010 C 0010 ";

// Entries graded as the model places them (first changed, the answer), right only for the
// same line; the record takes the first answer at each place.
TEST(AnswerSheet, GradesAsPlacedAndRecordsTheFirstTry) {
    const struct {
        std::vector<std::pair<std::size_t, std::string>> Steps;
        std::string Wrong; // the expected lines of the wrong grades
        std::size_t Right;
        bool FirstTry;
        std::uint32_t Answered;
        std::vector<std::pair<int, int>> Confused; // expected, answered
    } kCases[] = {
        {{{0, kRight}}, "", 5, true, 5, {}},
        // the plain IV, then the borrowed one
        {{{0, "C 0010 "}, {1, "C 0010 C 0040 "}, {1, kRight}}, "C 0041 ", 5, false, 5, {}},
        {{{0, "C 0010 C 0020 "}, {1, kRight}}, "C 0041 ", 5, false, 5, {{4, 2}}}, // IV as II
        // V of V as II of C, its I as C's V
        {{{0, "C 0010 C 0041 C 0020 C 0050 C 0010 "}},
         "G 0050 G 0010 ",
         3,
         false,
         5,
         {{5, 2}, {1, 5}}},
        // the minor key, B♯ for C
        {{{0, "C 0110 C 0041 G 0050 G 0010 B 1010 "}}, "C 0010 C 0010 ", 3, false, 5, {}},
        {{{0, "C 0010 C 0041 G 0050 G 0010 "}}, "", 4, false, 4, {}}, // one short
        {{{0, kRight + std::string("C 0050 ")}}, "", 5, true, 5, {}}, // one more
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(&c - kCases);
        TAnswerSheet Sheet({Entries(kRight)});
        std::string Wrong;
        for (const auto& [FirstChanged, Answer] : c.Steps) {
            for (const TGrade& Grade : Sheet.Grade(Entries(Answer), FirstChanged)) {
                Wrong += Grade.Right ? "" : Grade.Expected + " ";
            }
        }
        EXPECT_EQ(Wrong, c.Wrong);
        EXPECT_EQ(Sheet.Complete(), c.Answered == 5);
        EXPECT_EQ(Sheet.RightCount(), c.Right);
        EXPECT_EQ(Sheet.RightAtFirstTry(), c.FirstTry);
        TLessonRecord Record{2, 0, {}};
        Sheet.AddTo(Record);
        EXPECT_EQ(Record.Asked, 3u);
        EXPECT_EQ(Record.Right, c.FirstTry ? 1u : 0u);
        std::uint32_t Answered = 0;
        for (int Expected = 1; Expected <= 7; ++Expected) {
            Answered += Record.Confusion[Expected - 1][Expected - 1];
        }
        for (const auto& [Expected, Heard] : c.Confused) {
            EXPECT_EQ(Record.Confusion[Expected - 1][Heard - 1], 1u);
            ++Answered;
        }
        EXPECT_EQ(Answered, c.Answered);
    }
}

TEST(ConfusedDegrees, WeighBothDegreesOfAMistake) {
    TLessonRecord Record;
    Record.Confusion[4][1] = 3; // V heard as II three times
    Record.Confusion[3][3] = 9; // IV heard right: no weight
    EXPECT_EQ(ConfusedDegrees(Record), (TDegreeWeights{0, 3, 0, 0, 3, 0, 0}));
}

} // namespace
