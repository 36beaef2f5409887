#include "harmony/fatal_exit.h"
#include "harmony_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace {

const TNoteName kBadNote{'H', 0};

TEST(FatalExitDeathTest, BadLetterEndsTheProcessWithTheMessage) {
    EXPECT_EXIT(TCalculator::Transpose(kBadNote, {0, 0}), testing::ExitedWithCode(EXIT_FAILURE),
                "音名\"H\"は不正です");
    EXPECT_EXIT(TCalculator::PitchClass({'a', 0}), testing::ExitedWithCode(EXIT_FAILURE),
                "音名\"a\"は不正です");
    EXPECT_EXIT(TCalculator::TransposeDown({'@', 1}, PerfectFifth),
                testing::ExitedWithCode(EXIT_FAILURE), "音名\"@\"は不正です");
    EXPECT_EXIT(TCalculatorEx::ChordName({kBadNote, {}}), testing::ExitedWithCode(EXIT_FAILURE),
                "は不正です");
}

TEST(FatalExitDeathTest, AHandlerThatReturnsStillEndsTheProcess) {
    EXPECT_EXIT(
        {
            SetFatalExitHandler([](const std::string&) {});
            TCalculator::Transpose(kBadNote, {0, 0});
        },
        testing::ExitedWithCode(EXIT_FAILURE), "不正です");
}

struct TFatal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

TEST(FatalExit, TheInstalledHandlerReceivesTheMessage) {
    const TFatalExitHandler Previous =
        SetFatalExitHandler([](const std::string& Message) { throw TFatal(Message); });
    std::string Seen;
    try {
        TCalculator::Transpose({'Z', 0}, {4, -1});
    } catch (const TFatal& Error) {
        Seen = Error.what();
    }
    SetFatalExitHandler(Previous);
    EXPECT_EQ(Seen, "音名\"Z\"は不正です");
}

} // namespace
