#include "progression/display_layout.h"

#include "harmony/calculator.h"
#include "tests/harmony/harmony_test_util.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

// One write to the layout, and lines 1, 3 and 4 after it ("·" for a space; nullptr where the
// step does not check the line).
struct TStep {
    char Op; // R reset, c chord, k/K key label after chords/over the last, p/P pivot, s separator
    const char* KeyText;
    std::int32_t Degree;
    TChordVariant Variant;
    const char* Line1;
    const char* Line3;
    const char* Line4;
    std::int32_t KeyColumn = -1; // checked where it is not -1
};

std::string Dotted(const std::string& Text) {
    std::string Out;
    for (const char C : Text) {
        Out += C == ' ' ? std::string("·") : std::string(1, C);
    }
    return Out;
}

void Apply(TDisplayLayout& Layout, const TStep& Step) {
    const TProgressionEntry At{Step.KeyText ? Key(Step.KeyText) : TTonality{}, Step.Degree,
                               Step.Variant};
    const auto Place = std::islower(static_cast<unsigned char>(Step.Op))
                           ? TKeyLabelPlace::AfterChords
                           : TKeyLabelPlace::ReplaceLast;
    switch (Step.Op) {
    case 'R':
        Layout.Reset(At.Tonality);
        break;
    case 'c': {
        TChordVariant Variant = At.Variant;
        Layout.WriteChord(TCalculatorEx::ChordOf(Variant, At.Tonality, At.Degree), At);
        break;
    }
    case 'k':
    case 'K':
        Layout.WriteKeyLabel(At.Tonality, Place);
        break;
    case 'p':
    case 'P':
        Layout.WritePivot(At, Place);
        break;
    case 's':
        Layout.AppendSeparator();
        break;
    }
}

void Check(const char* Name, const std::vector<TStep>& Steps) {
    TDisplayLayout Layout;
    for (std::size_t i = 0; i < Steps.size(); ++i) {
        const TStep& Step = Steps[i];
        Apply(Layout, Step);
        const char* Lines[3] = {Step.Line1, Step.Line3, Step.Line4};
        const int Index[3] = {TDisplayLayout::kChordLine, 3, 4};
        for (int l = 0; l < 3; ++l) {
            if (Lines[l]) {
                EXPECT_EQ(Dotted(Layout.Lines().Get(Index[l])), Lines[l])
                    << Name << ", step " << i << ", line " << Index[l];
            }
        }
        EXPECT_EQ(Layout.Lines().Get(0), "");
        EXPECT_EQ(Layout.Lines().Get(2), "");
        if (Step.KeyColumn >= 0) {
            EXPECT_EQ(Layout.KeyLabelColumn(), Step.KeyColumn) << Name << ", step " << i;
        }
    }
}

constexpr TChordVariant N0 = cvNormal, Bo = cvBorrowed, Do = cvDorian, Ne = cvNeapolitan;

TEST(DisplayLayout, WritesTheWorkedExamples) {
    Check(
        "played",
        {
            {'R', "C", 0, N0, "", "Ｃ:·", "", 0},
            {'c', "C", 1, N0, "·····Ｃ", "Ｃ:··Ⅰ", nullptr},
            {'c', "C", 4, N0, "·····Ｃ·····Ｆ", "Ｃ:··Ⅰ·····Ⅳ", nullptr},
            {'c', "C", 5, N0, "·····Ｃ·····Ｆ·····Ｇ", "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ", nullptr},
            {'c', "C", 1, N0, "·····Ｃ·····Ｆ·····Ｇ·····Ｃ", "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ·····Ⅰ", nullptr},
            {'k', "G", 0, N0, nullptr, nullptr, "·····················Ｇ:·", 0},
            {'s', nullptr, 0, N0, nullptr, nullptr, "·····················Ｇ:····"},
            {'c', "G", 1, N0, "·····Ｃ·····Ｆ·····Ｇ·····Ｃ·····Ｇ", nullptr,
             "·····················Ｇ:·········Ⅰ"},
            {'c', "G", 5, N0, "·····Ｃ·····Ｆ·····Ｇ·····Ｃ·····Ｇ·····Ｄ", nullptr,
             "·····················Ｇ:·········Ⅰ·····Ⅴ"},
            {'k', "D", 0, N0, nullptr, "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ·····Ⅰ·······Ｄ:·", nullptr, 28},
            {'s', nullptr, 0, N0, nullptr, "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ·····Ⅰ·······Ｄ:····", nullptr},
            {'K', "A", 0, N0, nullptr, "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ·····Ⅰ·······Ａ:·", nullptr, 28},
            {'s', nullptr, 0, N0, nullptr, "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ·····Ⅰ·······Ａ:····", nullptr},
            {'c', "A", 1, N0, "·····Ｃ·····Ｆ·····Ｇ·····Ｃ·····Ｇ·····Ｄ·····Ａ",
             "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ·····Ⅰ·······Ａ:·········Ⅰ", nullptr},
            {'R', "a", 0, N0, "", "ａ:·", "", 0},
            {'K', "C", 0, N0, "", "Ｃ:·", "", 0},
        });
    Check("replayed with pivots",
          {
              {'R', "C", 0, N0, "", "Ｃ:·", ""},
              {'c', "C", 1, N0, nullptr, nullptr, nullptr},
              {'c', "C", 4, N0, nullptr, nullptr, nullptr},
              {'c', "C", 5, N0, nullptr, nullptr, nullptr},
              {'c', "C", 1, N0, nullptr, "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ·····Ⅰ", nullptr},
              {'p', "G", 4, N0, nullptr, nullptr, "·····················Ｇ:··Ⅳ"},
              {'c', "G", 1, N0, nullptr, nullptr, nullptr},
              {'c', "G", 5, N0, nullptr, nullptr, "·····················Ｇ:··Ⅳ·····Ⅰ·····Ⅴ"},
              {'p', "A", 4, N0, nullptr, "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ·····Ⅰ·······Ａ:··Ⅳ", nullptr},
              {'c', "A", 1, N0, "·····Ｃ·····Ｆ·····Ｇ·····Ｃ·····Ｇ·····Ｄ·····Ａ",
               "Ｃ:··Ⅰ·····Ⅳ·····Ⅴ·····Ⅰ·······Ａ:··Ⅳ·····Ⅰ",
               "·····················Ｇ:··Ⅳ·····Ⅰ·····Ⅴ"},
          });
    Check("named readings, one over another",
          {
              {'R', "C", 0, N0, "", "Ｃ:·", ""},
              {'c', "C", 1, N0, nullptr, nullptr, nullptr},
              {'c', "C", 6, N0, nullptr, nullptr, nullptr},
              {'c', "C", 4, N0, "·····Ｃ·····Ａｍ···Ｆ", "Ｃ:··Ⅰ·····Ⅵ·····Ⅳ", nullptr},
              {'p', "a", 6, N0, nullptr, nullptr, "··············ａ:··Ⅵ"},
              {'c', "a", 2, Ne, "·····Ｃ·····Ａｍ···Ｆ·····Ｂ♭", nullptr,
               "··············ａ:··Ⅵ····-Ⅱ"},
              {'P', "F", 1, N0, nullptr, nullptr, "··············Ｆ:··Ⅰ"},
              {'c', "F", 4, N0, "·····Ｃ·····Ａｍ···Ｆ·····Ｂ♭", nullptr,
               "··············Ｆ:··Ⅰ·····Ⅳ"},
              {'P', "B♭", 5, N0, nullptr, nullptr, "············Ｂ♭:··Ⅴ"},
              {'c', "B♭", 1, N0, nullptr, nullptr, "············Ｂ♭:··Ⅴ·····Ⅰ"},
              {'P', "A", 6, Bo, nullptr, nullptr, "··············Ａ:·oⅥ"},
              // After "o-" the numeral stands one column right of the name.
              {'c', "A", 2, Ne, "·····Ｃ·····Ａｍ···Ｆ·····Ｂ♭", "Ｃ:··Ⅰ·····Ⅵ·····Ⅳ",
               "··············Ａ:·oⅥ····o-Ⅱ"},
              {'c', "A", 5, N0, "·····Ｃ·····Ａｍ···Ｆ·····Ｂ♭····Ｅ", nullptr,
               "··············Ａ:·oⅥ····o-Ⅱ·····Ⅴ"},
          });
}

TEST(DisplayLayout, PlacesKeyLabelsByTheOtherLineAndReplacesThemInPlace) {
    Check("a Dorian pivot, then another reading over it",
          {
              {'R', "C", 0, N0, "", "Ｃ:·", ""},
              {'c', "C", 1, N0, nullptr, nullptr, nullptr},
              {'c', "C", 5, N0, nullptr, "Ｃ:··Ⅰ·····Ⅴ", nullptr},
              {'p', "d", 4, Do, nullptr, nullptr, "·······ｄ:·+Ⅳ", 0},
              {'P', "G", 1, N0, nullptr, "Ｃ:··Ⅰ·····Ⅴ", "·······Ｇ:··Ⅰ", 0},
          });
    Check("a key label at column 0, its separator and the filler",
          {
              {'R', "C", 0, N0, "", "Ｃ:·", ""},
              {'c', "C", 1, N0, nullptr, nullptr, nullptr},
              {'k', "G", 0, N0, nullptr, nullptr, "Ｇ:·"},
              {'s', nullptr, 0, N0, nullptr, nullptr, nullptr},
              {'c', "G", 5, N0, "·····Ｃ·····Ｄ", "Ｃ:··Ⅰ", "Ｇ:·········Ⅴ"},
              {'R', "a", 0, N0, "", "ａ:·", "", 0},
              {'c', "a", 1, N0, "·····Ａｍ", "ａ:··Ⅰ", ""},
          });
    Check("key labels over the reset's, then a chord",
          {
              {'R', "C", 0, N0, "", "Ｃ:·", ""},
              {'K', "G", 0, N0, nullptr, "Ｇ:·", nullptr, 0},
              {'K', "e", 0, N0, nullptr, "ｅ:·", nullptr, 0},
              {'c', "e", 1, N0, "·····Ｅｍ", "ｅ:··Ⅰ", ""},
          });
    Check("a replaced key label takes its separator and pivot with it",
          {
              {'R', "C", 0, N0, "", "Ｃ:·", ""},
              {'c', "C", 1, N0, nullptr, nullptr, nullptr},
              {'k', "G", 0, N0, nullptr, nullptr, "Ｇ:·"},
              {'s', nullptr, 0, N0, nullptr, nullptr, "Ｇ:····"},
              {'K', "D", 0, N0, nullptr, nullptr, "Ｄ:·"},
              {'s', nullptr, 0, N0, nullptr, nullptr, "Ｄ:····"},
              {'P', "F", 5, N0, nullptr, nullptr, "Ｆ:··Ⅴ"},
          });
    Check("a target left of the line's end: right after its text",
          {
              {'R', "C", 0, N0, "", "Ｃ:·", ""},
              {'k', "G", 0, N0, nullptr, nullptr, "Ｇ:·", 0},
              {'k', "D", 0, N0, nullptr, "Ｃ:·Ｄ:·", nullptr, 4},
              {'k', "F♯♯", 0, N0, nullptr, nullptr, "Ｇ:·Ｆ♯♯:·", 4},
          });
}

TEST(DisplayLayout, CutsALongNameWhereTheNextOneBegins) {
    TDisplayLayout Layout;
    Layout.Reset(Key("C"));
    TChordVariant Variant = cvNormal;
    const TChord Wide = TCalculatorEx::ChordOf(Variant, Key("D♯"), 3);
    ASSERT_EQ(TCalculatorEx::ChordName(Wide), "Ｆ♯♯ｍ");
    Layout.WriteChord(Wide, {Key("C"), 1, cvNormal});
    Layout.WriteChord(TCalculatorEx::ChordOf(Variant, Key("C"), 4), {Key("C"), 4, cvNormal});
    // Half of the "ｍ" was left: a space stands in for it, so the F begins at column 12.
    EXPECT_EQ(Dotted(Layout.Lines().Get(1)), "·····Ｆ♯♯·Ｆ");
    EXPECT_EQ(Layout.Lines().Width(1), 14u);
}

} // namespace

// The characters the window's font is measured on: every kind of label and name the display
// writes, each once.
TEST(DisplayedCharacters, HoldEveryLabelsAndNamesCharactersOnce) {
    const std::string All = DisplayedCharacters();
    for (const char* Character : {"Ｃ", "Ｂ", "ｃ", "ｂ", "♯", "♭", "？", "ｍ", "Ⅰ", "Ⅳ", "Ⅶ", "o",
                                  "+", "-", "5", ":", " "}) {
        const std::size_t At = All.find(Character);
        EXPECT_NE(At, std::string::npos) << Character;
        EXPECT_EQ(All.find(Character, At + 1), std::string::npos) << Character << " twice";
    }
    EXPECT_EQ(All.find('\n'), std::string::npos);
}
