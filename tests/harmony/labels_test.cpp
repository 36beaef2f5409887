#include "harmony/display_width.h"
#include "harmony_test_util.h"

#include <gtest/gtest.h>

namespace {

using C = TCalculatorEx;

TEST(AccidentalText, SpellsUpToTwoSignsAndMarksTheRest) {
    const std::pair<std::int32_t, const char*> Cases[] = {
        {-2, "♭♭"}, {-1, "♭"},  {0, ""},           {1, "♯"},          {2, "♯♯"},
        {3, "？"},  {-3, "？"}, {INT32_MAX, "？"}, {INT32_MIN, "？"},
    };
    for (const auto& [Count, Want] : Cases) {
        EXPECT_EQ(C::AccidentalText(Count), Want) << Count;
    }
}

struct LabelCase {
    TTonality Key;
    const char* Want;
    std::size_t Width;
};

const LabelCase kTonalityLabels[] = {
    {Key("C"), "Ｃ", 2},
    {Key("a"), "ａ", 2},
    {Key("B♭"), "Ｂ♭", 4},
    {Key("b♭"), "ｂ♭", 4},
    {Key("f♯"), "ｆ♯", 4},
    {{{'C', 2}, mdMajor}, "Ｃ♯♯", 6},
    {{{'C', 3}, mdMajor}, "Ｃ？", 4},
    {Key("g"), "ｇ", 2},
    {Key("E"), "Ｅ", 2},
};

TEST(TonalityLabel, NamesMajorUpperAndMinorLower) {
    for (const auto& c : kTonalityLabels) {
        SCOPED_TRACE(Describe(c.Key));
        const std::string Label = C::TonalityLabel(c.Key);
        EXPECT_EQ(Label, c.Want);
        EXPECT_EQ(DisplayWidth(Label), c.Width);
    }
}

TEST(TonalityLabel, TwentyOneFifthsAboveCIsMarked) {
    TNoteName Tonic = N("C");
    for (int i = 0; i < 21; ++i) {
        Tonic = C::Transpose(Tonic, PerfectFifth);
    }
    EXPECT_EQ(C::TonalityLabel({Tonic, mdMajor}), "Ｃ？");
}

struct ChordNameCase {
    TChord Chord;
    const char* Want;
    std::size_t Width;
};

TEST(ChordName, NamesTheSoundingRootWithItsKind) {
    const ChordNameCase Cases[] = {
        {ChordAt(Key("C"), 1), "Ｃ", 2},
        {ChordAt(Key("C"), 2), "Ｄｍ", 4},
        {ChordAt(Key("C"), 7), "Ｂ-5", 4},
        {ChordAt(Key("C"), 2, cvNeapolitan), "Ｄ♭", 4},
        {ChordAt(Key("A"), 6), "Ｆ♯ｍ", 6},
        {ChordAt(Key("a"), 7), "Ｇ♯-5", 6},
        {ChordAt(Key("D♭"), 6), "Ｂ♭ｍ", 6},
        {ChordAt(Key("B♭"), 2, cvNeapolitan), "Ｃ♭", 4},
        {ChordAt(Key("a"), 1), "Ａｍ", 4},
        {{N("C"), {{{0, 0}, {2, 0}, {4, -2}, EndOfTones, {0, 0}}}}, "Ｃ？", 4},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(NotesOf(c.Chord));
        const std::string Name = C::ChordName(c.Chord);
        EXPECT_EQ(Name, c.Want);
        EXPECT_EQ(DisplayWidth(Name), c.Width);
    }
}

struct DegreeLabelCase {
    std::uint8_t Mode;
    std::int32_t Degree;
    TChordVariant Variant;
    const char* Want;
    std::size_t Width;
};

const DegreeLabelCase kDegreeLabels[] = {
    {0, 4, 0, " Ⅳ", 3},
    {0, 4, 1, "oⅣ", 3},
    {0, 6, 1, "oⅥ", 3},
    {1, 4, 2, "+Ⅳ", 3},
    {1, 2, 3, "-Ⅱ", 3},
    {0, 2, 3, "o-Ⅱ", 4},
    {0, 1, 0, " Ⅰ", 3},
    {1, 7, 0, " Ⅶ", 3},
    {0, 5, 9, " Ⅴ", 3},
    {2, 2, 3, "-Ⅱ", 3},
    {0, 3, 0, " Ⅲ", 3},
    // a degree no key has
    {0, 0, 0, " ？", 3},
    {0, 8, 1, "o？", 3},
};

TEST(DegreeLabel, PrefixesTheNumeralWithTheVariantMark) {
    for (const auto& c : kDegreeLabels) {
        SCOPED_TRACE(std::to_string(c.Mode) + "/" + std::to_string(c.Degree) + "/" +
                     std::to_string(c.Variant));
        const std::string Label = C::DegreeLabel(static_cast<TMode>(c.Mode), c.Degree, c.Variant);
        EXPECT_EQ(Label, c.Want);
        EXPECT_EQ(DisplayWidth(Label), c.Width);
    }
}

TEST(TonalityLabel, OutOfRangeValuesShowAPlaceholder) {
    EXPECT_EQ(C::TonalityLabel({{'H', 0}, mdMajor}), "？");
    EXPECT_EQ(C::TonalityLabel({{'\xC3', -1}, mdMinor}), "？♭");
    EXPECT_EQ(C::TonalityLabel({{'D', 0}, static_cast<TMode>(7)}), "Ｄ");
}

TEST(DisplayWidth, CountsFullWidthCharactersTwice) {
    const std::pair<const char*, std::size_t> Cases[] = {
        {"", 0}, {"   ", 3}, {"Ｃ: ", 4}, {"o-Ⅱ", 4}, {"Ｆ♯ｍ", 6}, {"é", 2}, {"😀", 2},
    };
    for (const auto& [Text, Want] : Cases) {
        EXPECT_EQ(DisplayWidth(Text), Want) << Text;
    }
}

} // namespace
