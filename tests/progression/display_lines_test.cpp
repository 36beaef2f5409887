#include "progression/display_lines.h"

#include <gtest/gtest.h>

namespace {

struct CutCase {
    const char* Text;
    std::size_t Columns;
    const char* Want;
};

// Cutting inside a full-width character leaves a space in its first half.
const CutCase kCuts[] = {
    {"     Ｃ     Ｅ", 12, "     Ｃ     "},
    {"     Ｃ     Ｅ", 13, "     Ｃ      "},
    {"     Ｃ     Ｅ", 20, "     Ｃ     Ｅ"},
    {"Ｆ♯♯ｍ", 3, "Ｆ "},
    {"Ｆ♯♯ｍ", 0, ""},
    {"o-Ⅱ", 2, "o-"},
};

TEST(DisplayLines, CutsToExactlyTheColumnsAskedFor) {
    for (const auto& c : kCuts) {
        TDisplayLines Lines;
        Lines.Add(c.Text);
        Lines.CutTo(0, c.Columns);
        EXPECT_EQ(Lines.Get(0), c.Want) << c.Text << " to " << c.Columns;
        EXPECT_EQ(Lines.Width(0), std::min<std::size_t>(c.Columns, Lines.Width(0)));
    }
}

TEST(DisplayLines, KeepsWidthsThroughEveryEditAndTellsTheListener) {
    struct TCounter : TLinesListener {
        int Changed = 0, Reset = 0;
        void LineChanged(int) override { ++Changed; }
        void LinesReset() override { ++Reset; }
    } Counter;
    TDisplayLines Lines;
    Lines.SetListener(&Counter);
    Lines.Add("");
    Lines.Add("Ｃ: ");
    EXPECT_EQ(Lines.Width(1), 4u);
    Lines.Append(1, " Ⅰ");
    Lines.Append(1, "");
    EXPECT_EQ(Lines.Width(1), 7u);
    Lines.Put(0, "ａ♯");
    EXPECT_EQ(Lines.Width(0), 4u);
    Lines.CutTo(1, 4);
    EXPECT_EQ(Lines.Get(1), "Ｃ: ");
    // Lines that do not exist read as empty and take no edits.
    EXPECT_EQ(Lines.Get(7), "");
    EXPECT_EQ(Lines.Width(-1), 0u);
    Lines.Append(7, "x");
    Lines.Put(-1, "x");
    EXPECT_EQ(Lines.Count(), 2);
    EXPECT_EQ(Counter.Reset, 2);
    EXPECT_EQ(Counter.Changed, 3);
    Lines.Clear();
    EXPECT_EQ(Lines.Count(), 0);
}

} // namespace
