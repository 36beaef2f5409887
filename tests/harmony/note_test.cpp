#include "harmony_test_util.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using C = TCalculator;

struct TransposeCase {
    const char* Note;
    TInterval By;
    const char* Want;
};

const TransposeCase kTranspose[] = {
    {"C", {4, -1}, "G"},
    {"B", {4, -1}, "F♯"},
    {"F", {4, -1}, "C"},
    {"B♭", {4, -1}, "F"},
    {"F♯", {4, -1}, "C♯"},
    {"B♯", {4, -1}, "F♯♯"},
    {"E", {2, 0}, "G♯"},
    {"A", {2, -1}, "C"},
    {"C♭", {2, 0}, "E♭"},
    {"E♯", {3, -1}, "A♯"},
    {"B", {1, 0}, "C♯"},
    {"C", {6, -1}, "B"},
    {"G", {6, -2}, "F"},
    {"C", {7, -2}, "C"},
    {"C", {-3, 1}, "G"},
    {"D", {12, -3}, "B"},
    // unison, octave and octave down leave every note alone
    {"F♯", {0, 0}, "F♯"},
    {"B♭", {7, -2}, "B♭"},
    {"E", {-7, 2}, "E"},
};

TEST(Transpose, SpellsEveryResultExactly) {
    for (const auto& c : kTranspose) {
        SCOPED_TRACE(std::string(c.Note) + " + " + Describe(c.By));
        EXPECT_EQ(C::Transpose(N(c.Note), c.By), N(c.Want));
    }
}

struct TransposeDownCase {
    const char* Note;
    TInterval By;
    const char* Want;
};

const TransposeDownCase kTransposeDown[] = {
    {"C", {4, -1}, "F"},  {"F", {4, -1}, "B♭"}, {"A", {2, -1}, "F♯"},
    {"E♭", {2, -1}, "C"}, {"D", {1, 0}, "C"},
};

TEST(TransposeDown, LowersByTheInterval) {
    for (const auto& c : kTransposeDown) {
        SCOPED_TRACE(std::string(c.Note) + " - " + Describe(c.By));
        EXPECT_EQ(C::TransposeDown(N(c.Note), c.By), N(c.Want));
    }
}

TEST(Transpose, CircleOfFifthsNeverRespells) {
    const std::vector<const char*> Up = {"G",  "D",  "A",  "E",  "B",  "F♯",  "C♯",
                                         "G♯", "D♯", "A♯", "E♯", "B♯", "F♯♯", "C♯♯"};
    TNoteName Note = N("C");
    for (const char* Want : Up) {
        Note = C::Transpose(Note, PerfectFifth);
        EXPECT_EQ(Note, N(Want));
    }
    const std::vector<const char*> Down = {"F",  "B♭", "E♭", "A♭",  "D♭",
                                           "G♭", "C♭", "F♭", "B♭♭", "E♭♭"};
    Note = N("C");
    for (const char* Want : Down) {
        Note = C::TransposeDown(Note, PerfectFifth);
        EXPECT_EQ(Note, N(Want));
    }
}

TEST(Transpose, HugeIntervalsNormaliseWithoutLooping) {
    // 7 * 300000000 steps are 300000000 octaves: the note stays where it is.
    EXPECT_EQ(C::Transpose(N("D"), {2100000000, -600000000}), N("D"));
    EXPECT_EQ(C::Transpose(N("D"), {-2100000000, 600000000}), N("D"));
}

struct PitchClassCase {
    TNoteName Note;
    std::int32_t Want;
};

const PitchClassCase kPitchClass[] = {
    {N("C♯"), 1},          {N("C♭"), 11},    {N("B♯"), 0},           {N("F♭"), 4},
    {N("E♯"), 5},          {N("B♭♭"), 9},    {N("F♯♯"), 7},          {N("C♭♭"), 10},
    {N("A"), 9},           {N("G"), 7},      {{'C', -60}, mdMajor},  {{'C', -61}, -1},
    {{'B', -71}, mdMajor}, {{'B', -72}, -1}, {{'C', 1200}, mdMajor},
};

TEST(PitchClass, CountsSemitonesAboveC) {
    for (const auto& c : kPitchClass) {
        SCOPED_TRACE(Describe(c.Note));
        EXPECT_EQ(C::PitchClass(c.Note), c.Want);
    }
}

TEST(LetterNumber, CountsFromC) {
    const char Letters[] = "CDEFGAB";
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(C::LetterNumber({Letters[i], 0}), i + 1) << Letters[i];
    }
}

struct IntervalBetweenCase {
    TInterval Upper, Lower, Want;
};

const IntervalBetweenCase kIntervalBetween[] = {
    {{0, 0}, {5, -1}, {2, -1}},  // major sixth up to the tonic: minor third
    {{1, 0}, {6, -1}, {2, -1}},  // seventh up to the second
    {{4, -1}, {0, 0}, {4, -1}},  // tonic up to the fifth
    {{0, 0}, {6, -2}, {1, 0}},   // minor seventh up to the tonic
    {{2, -1}, {5, -2}, {4, -1}}, // natural minor: sixth up to the third
    {{3, -1}, {3, -1}, {0, 0}},
};

TEST(IntervalBetween, MeasuresUpwardWithinTheOctave) {
    for (const auto& c : kIntervalBetween) {
        SCOPED_TRACE(Describe(c.Lower) + " up to " + Describe(c.Upper));
        EXPECT_EQ(C::IntervalBetween(c.Upper, c.Lower), c.Want);
    }
}

TEST(SameNote, KnowsNoEnharmonics) {
    EXPECT_FALSE(C::SameNote(N("B♯"), N("C")));
    EXPECT_FALSE(C::SameNote(N("F♯♯"), N("G")));
    EXPECT_TRUE(C::SameNote(N("F♯♯"), N("F♯♯")));
    EXPECT_FALSE(C::SameInterval({7, -2}, {0, 0}));
    EXPECT_TRUE(C::SameInterval({2, -1}, {2, -1}));
}

TEST(MakeInterval, KeepsTheEndMarkerAsItIs) {
    EXPECT_EQ(C::MakeInterval(-1, 0), (TInterval{-1, 0}));
    EXPECT_EQ(C::MakeInterval(7, -2), (TInterval{7, -2}));
}

} // namespace
