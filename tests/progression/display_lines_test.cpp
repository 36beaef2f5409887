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

// The characters under a range of columns, found by walking the line from its start.
TLineSlice WalkedSlice(const std::string& Text, std::size_t From, std::size_t To) {
    std::size_t Column = 0, Begin = 0;
    std::size_t Start = 0;
    bool Found = false;
    std::size_t End = 0;
    for (std::size_t At = 0; At < Text.size();) {
        std::size_t Length = 1;
        while (At + Length < Text.size() &&
               (static_cast<unsigned char>(Text[At + Length]) & 0xC0) == 0x80) {
            ++Length;
        }
        const std::size_t Width = static_cast<unsigned char>(Text[At]) < 0x80 ? 1 : 2;
        if (!Found && Column + Width > From) {
            Found = true;
            Begin = At;
            Start = Column;
        }
        if (Found && Column < To) {
            End = At + Length;
        }
        Column += Width;
        At += Length;
    }
    if (!Found) {
        return {{}, Column};
    }
    return {std::string_view(Text).substr(Begin, End - Begin), Start};
}

// Long lines grown and cut as the display grows and cuts them: every range of columns gives
// the characters a walk from the line's start gives.
TEST(DisplayLines, FindsTheCharactersUnderAnyColumnsThroughAppendsAndCuts) {
    const char* Pieces[] = {" ", "Ｃ", "ｍ", "o-", "Ⅳ", "    ", "Ｆ♯♯ｍ", ": "};
    TDisplayLines Lines;
    Lines.Add("Ｃ: ");
    std::uint32_t Random = 12345;
    auto Next = [&Random](std::uint32_t Below) {
        Random = Random * 1103515245u + 12345u;
        return (Random >> 8) % Below;
    };
    for (int Step = 0; Step < 3000; ++Step) {
        if (Next(20) == 0) { // a cut right at a mark's column
            Lines.CutTo(0, Lines.Width(0) / 64 * 64);
        } else if (Next(10) == 0) {
            Lines.CutTo(0,
                        Lines.Width(0) - Next(static_cast<std::uint32_t>(Lines.Width(0)) / 2 + 1));
        } else {
            Lines.Append(0, Pieces[Next(8)]);
        }
        if (Step % 50 != 0) {
            continue;
        }
        const std::string& Text = Lines.Get(0);
        for (std::size_t From : {std::size_t{0}, std::size_t{63}, std::size_t{64}, std::size_t{65},
                                 Lines.Width(0) / 2, Lines.Width(0) - 1, Lines.Width(0) + 3}) {
            for (std::size_t Span : {1, 2, 80}) {
                const TLineSlice Want = WalkedSlice(Text, From, From + Span);
                const TLineSlice Got = Lines.Slice(0, From, From + Span);
                ASSERT_EQ(Got.Text, Want.Text) << "step " << Step << " from " << From;
                ASSERT_EQ(Got.Start, Want.Start) << "step " << Step << " from " << From;
            }
        }
    }
    Lines.Put(0, "     Ｃ     Ｆ");
    EXPECT_EQ(Lines.Slice(0, 6, 12).Text, "Ｃ     ");
    EXPECT_EQ(Lines.Slice(0, 6, 12).Start, 5u);
    EXPECT_EQ(Lines.Slice(3, 0, 10).Text, "");
}

} // namespace
