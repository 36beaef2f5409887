// The model as its views meet it: the chord line after Space and what the views are told.
#include "progression/key_codes.h"
#include "progression/progression_file.h"
#include "tests/progression/test_model.h"

#include <gtest/gtest.h>

namespace {

// F, then B♭ with Down held, then Space three times in C major: the third reading (B♭ major)
// has a wider key label, and the name moves right whole, leaving nothing of the old one.
TEST(ChordLine, SpaceWritesTheNameAgainWithNothingLeftOfTheOldOne) {
    TModel M;
    M.Press('F');
    M.Press(vkDown);
    M.Press('B');
    M.Form.OnKeyUp(vkDown, 0);
    for (int i = 0; i < 3; ++i) {
        M.Press(vkSpace);
    }
    EXPECT_EQ(M.Form.Lines().Get(TDisplayLayout::kChordLine), "     Ｆ       Ｂ♭");
}

// Each command tells the views, once, the first entry it changed and the chord at the cursor.
TEST(ModelListeners, AreToldWhatChangedAfterEachCommand) {
    using TChange = std::pair<std::optional<std::size_t>, std::optional<std::size_t>>;
    const std::size_t None = 99;
    const struct {
        std::uint16_t Key;
        TShiftState Shift;
        std::vector<std::pair<std::size_t, std::size_t>> Want; // None for nothing
    } kSteps[] = {
        {'1', 0, {{0, 0}}},     {'5', 0, {{1, 1}}},        {'E', 0, {{2, 2}}},
        {vkSpace, 0, {{2, 2}}}, {vkUp, ssCtrl, {}},        {vkHome, 0, {{None, None}}},
        {vkHome, 0, {}},        {vkEnter, 0, {{None, 0}}}, {'3', 0, {{1, 1}}},
        {vkSpace, 0, {}},
    };
    const auto Maybe = [&](std::size_t N) { return N == None ? std::nullopt : std::optional(N); };
    TModel M;
    for (const auto& s : kSteps) {
        SCOPED_TRACE(std::to_string(&s - kSteps));
        M.Told.clear();
        M.Press(s.Key, s.Shift);
        std::vector<TChange> Got, Want;
        for (const TProgressionChange& c : M.Told) {
            Got.emplace_back(c.FirstChanged, c.Current);
        }
        for (const auto& [First, Current] : s.Want) {
            Want.emplace_back(Maybe(First), Maybe(Current));
        }
        EXPECT_EQ(Got, Want);
    }
}

// An answer starts on an empty progression in the question's key, whatever was played before.
TEST(ModelStartAfresh, EmptiesTheProgressionInTheKeyGiven) {
    TModel M;
    M.Press('4');
    const TTonality AMinor{{'A', 0}, mdMinor};
    M.Form.StartAfresh(AMinor);
    EXPECT_TRUE(M.Form.GetProgression().empty());
    EXPECT_EQ(M.Told.back().FirstChanged, std::optional<std::size_t>(0));
    M.Press('5');
    ASSERT_EQ(M.Form.GetProgression().size(), 1u);
    EXPECT_EQ(EntryLine(M.Form.GetProgression()[0]), "A 0150");
}

// A dictation borrows the working state and gives it back: the lines as they were, and the
// display told so.
TEST(ModelWorkingState, ComesBackWithTheDisplayTold) {
    struct TCounter : TLinesListener {
        void LineChanged(int) override {}
        void LinesReset() override { ++Resets; }
        int Resets = 0;
    } Display;
    TModel M;
    M.Form.Lines().SetListener(&Display);
    M.Press('2');
    const std::string Line1 = M.Form.Lines().Get(1);
    TWorkingState Saved = M.Form.SaveWorkingState();
    M.Form.StartAfresh({{'A', 0}, mdMinor});
    M.Press('5');
    Display.Resets = 0;
    M.Form.RestoreWorkingState(std::move(Saved));
    EXPECT_EQ(M.Form.Lines().Get(1), Line1);
    EXPECT_EQ(Display.Resets, 1);
    EXPECT_EQ(M.Form.GetProgression().size(), 1u);
    M.Form.Lines().SetListener(nullptr);
}

} // namespace
