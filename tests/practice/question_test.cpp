// The questions against the contract's grammar, written here afresh, and answered with the
// model's own keys.
#include "harmony/calculator.h"
#include "harmony/key_signature.h"
#include "practice/answer_keys.h"
#include "practice/grading.h"
#include "practice/lessons.h"
#include "progression/progression_file.h"
#include "tests/progression/test_model.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// Degree to degree within one key, whatever the variant.
const std::map<std::int32_t, std::set<std::int32_t>> kMayGoTo = {
    {1, {2, 4, 5, 6, 7}}, {2, {5, 7}}, {4, {1, 2, 5, 7}}, {5, {1, 6}}, {6, {2, 4, 5}}, {7, {1}},
};

struct TRule {
    std::set<TMode> Modes;
    std::int32_t MaxFifths;
    std::set<std::int32_t> Degrees;
    bool Variants, Secondary, Modulation; // may hold
    bool NeedsVariant, NeedsSecondary, NeedsModulation;
    std::size_t MinChords, MaxChords;
};

const std::set<std::int32_t> kPrimary{1, 4, 5};
const std::set<std::int32_t> kSix{1, 2, 4, 5, 6, 7};
const std::set<TMode> kMajor{mdMajor}, kMinor{mdMinor}, kBoth{mdMajor, mdMinor};
const TRule kRules[] = {
    {kMajor, 1, kPrimary, false, false, false, false, false, false, 4, 6},
    {kMajor, 2, kSix, false, false, false, false, false, false, 5, 6},
    {kMinor, 2, kSix, false, false, false, false, false, false, 5, 6},
    {kBoth, 2, kSix, true, false, false, true, false, false, 6, 6},
    {kBoth, 2, kSix, false, true, false, false, true, false, 6, 6},
    {kBoth, 2, kSix, false, false, true, false, false, true, 8, 8},
    {kBoth, 4, kSix, true, true, true, false, false, false, 6, 8},
};

bool Same(TTonality A, TTonality B) {
    return TCalculatorEx::SameTonality(A, B);
}

TChord ChordAt(TTonality Key, std::int32_t Degree, TChordVariant Variant = cvNormal) {
    return TCalculatorEx::ChordOf(Variant, Key, Degree);
}

bool ColourAllowed(TMode Mode, std::int32_t Degree, TChordVariant Variant) {
    return Variant == cvNormal ||
           (Mode == mdMajor && Variant == cvBorrowed &&
            (Degree == 2 || Degree == 4 || Degree == 6)) ||
           (Mode == mdMinor && Variant == cvDorian && Degree == 4) ||
           (Mode == mdMinor && Variant == cvNeapolitan && Degree == 2);
}

bool CloselyRelated(TTonality Home, TTonality Key) {
    const std::int32_t Apart = KeySignatureFifths(Key) - KeySignatureFifths(Home);
    return Home.Mode == Key.Mode ? Apart == 1 || Apart == -1 : Apart == 0;
}

// What one way of reading the question has met so far.
struct TReading {
    TTonality Home;
    std::int32_t Last = 0, BeforeLast = 0; // functional degrees, 0 before the first
    bool LastPlain = false;                // the last was a chord of Home, not x of (K, 1)
    bool Variant = false, Secondary = false, Modulated = false;
};

// Whether the entries from At on read as the grammar's in one of the ways it allows.
bool Reads(const TRule& Rule, const std::vector<TProgressionEntry>& E, std::size_t At, TReading R) {
    const auto Goes = [&](std::int32_t To) {
        return R.Last == 0 ? To == 1 : kMayGoTo.count(R.Last) && kMayGoTo.at(R.Last).count(To);
    };
    if (At == E.size()) {
        return R.BeforeLast == 5 && R.Last == 1 && R.Variant >= Rule.NeedsVariant &&
               R.Secondary >= Rule.NeedsSecondary && R.Modulated >= Rule.NeedsModulation;
    }
    const TProgressionEntry& Now = E[At];
    if (Same(Now.Tonality, R.Home) && Goes(Now.Degree) && Rule.Degrees.count(Now.Degree) &&
        (Rule.Variants || Now.Variant == cvNormal) &&
        ColourAllowed(R.Home.Mode, Now.Degree, Now.Variant)) {
        TReading Next = R;
        Next = {R.Home,      Now.Degree, R.Last, true, R.Variant || Now.Variant != cvNormal,
                R.Secondary, R.Modulated};
        if (Reads(Rule, E, At + 1, Next)) {
            return true;
        }
    }
    // (K, 5) then (K, 1), the chord of degree x itself: x where the grammar allows x.
    if (Rule.Secondary && R.Last != 0 && At + 1 < E.size() && !Same(Now.Tonality, R.Home) &&
        Now.Degree == 5 && Now.Variant == cvNormal && Same(E[At + 1].Tonality, Now.Tonality) &&
        E[At + 1].Degree == 1 && E[At + 1].Variant == cvNormal) {
        for (std::int32_t x = 2; x <= 6; ++x) {
            if (TCalculator::SameChord(ChordAt(R.Home, x), ChordAt(Now.Tonality, 1)) && Goes(x) &&
                Reads(Rule, E, At + 2, {R.Home, x, R.Last, false, R.Variant, true, R.Modulated})) {
                return true;
            }
        }
    }
    // The chord before is the pivot: a plain degree of the old key, read as one of the new.
    if (Rule.Modulation && !R.Modulated && R.LastPlain && At > 0 && E[At - 1].Variant == cvNormal &&
        CloselyRelated(R.Home, Now.Tonality)) {
        for (std::int32_t q = 1; q <= 7; ++q) {
            if (TCalculator::SameChord(ChordAt(Now.Tonality, q),
                                       ChordAt(R.Home, E[At - 1].Degree)) &&
                Reads(Rule, E, At, {Now.Tonality, q, R.Last, true, R.Variant, R.Secondary, true})) {
                return true;
            }
        }
    }
    return false;
}

std::string Lines(const std::vector<TProgressionEntry>& Entries) {
    std::string Text;
    for (const TProgressionEntry& Entry : Entries) {
        Text += EntryLine(Entry) + " ";
    }
    return Text;
}

// Plays Keys into a model started afresh in Key, grading as the window does; the answer.
std::vector<TProgressionEntry> Play(const TQuestion& Question, TAnswerSheet& Sheet) {
    TModel M;
    M.Form.StartAfresh(Question.Key());
    for (const TKeyStroke& Stroke : AnswerKeys(Question)) {
        M.Told.clear();
        if (Stroke.Motion == TKeyMotion::Down) {
            M.Press(Stroke.Key, Stroke.Shift);
        } else {
            M.Form.OnKeyUp(Stroke.Key, Stroke.Shift);
        }
        for (const TProgressionChange& Change : M.Told) {
            if (Change.FirstChanged) {
                Sheet.Grade(M.Form.GetProgression(), *Change.FirstChanged);
            }
        }
    }
    return M.Form.GetProgression();
}

constexpr std::uint32_t kSeeds = 500;

// Every lesson, over many seeds: the grammar holds, and the answer keys place the question
// entry for entry, right at the first try.
TEST(BuiltInQuestion, FollowsTheGrammarAndIsAnsweredByTheKeys) {
    for (std::int32_t Lesson = 1; Lesson <= 7; ++Lesson) {
        const TRule& Rule = kRules[Lesson - 1];
        for (std::uint32_t Seed = 0; Seed < kSeeds; ++Seed) {
            const TQuestion Question = BuiltInQuestion(Lesson, Seed);
            SCOPED_TRACE("lesson " + std::to_string(Lesson) + " seed " + std::to_string(Seed) +
                         ": " + Lines(Question.Entries));
            ASSERT_FALSE(Question.Entries.empty());
            const TTonality Key = Question.Key();
            EXPECT_TRUE(Rule.Modes.count(Key.Mode));
            EXPECT_LE(std::abs(KeySignatureFifths(Key)), Rule.MaxFifths);
            EXPECT_GE(Question.Entries.size(), Rule.MinChords);
            EXPECT_LE(Question.Entries.size(), Rule.MaxChords);
            EXPECT_TRUE(Reads(Rule, Question.Entries, 0, {Key}));
            TAnswerSheet Sheet(Question);
            EXPECT_EQ(Lines(Play(Question, Sheet)), Lines(Question.Entries));
            EXPECT_TRUE(Sheet.Complete() && Sheet.RightAtFirstTry());
        }
    }
}

// A lesson and a seed give the same question everywhere: one pinned per lesson.
TEST(BuiltInQuestion, IsTheSameForALessonAndASeed) {
    const struct {
        std::int32_t Lesson;
        std::uint32_t Seed;
        const char* Want;
    } kPinned[] = {
        {1, 7, "G 0010 G 0040 G 0050 G 0010 "},
        {2, 7, "B-1010 B-1040 B-1020 B-1050 B-1010 "},
        {3, 7, "G 0110 G 0170 G 0110 G 0120 G 0150 G 0110 "},
        {4, 7, "D 0010 D 0041 D 0050 D 0010 D 0050 D 0010 "},               // borrowed IV
        {5, 7, "F 0010 F 0040 F 0010 C 0050 C 0010 F 0010 "},               // V of V ending
        {6, 7, "G 0110 G 0140 G 0150 G 0160 G 0120 B-1010 B-1050 B-1010 "}, // II = VII of B♭
        {7, 7, "E 0010 C 1150 C 1110 E 0040 E 0050 E 0010 "},               // V of VI
        {0, 7, ""},
        {8, 7, ""},
    };
    for (const auto& c : kPinned) {
        EXPECT_EQ(Lines(BuiltInQuestion(c.Lesson, c.Seed).Entries), c.Want) << c.Lesson;
    }
}

std::uint32_t WeightOf(const TQuestion& Question, const TDegreeWeights& Weights) {
    std::uint32_t Sum = 0;
    for (const TProgressionEntry& Entry : Question.Entries) {
        Sum += Weights[static_cast<std::size_t>(Entry.Degree - 1)];
    }
    return Sum;
}

// Drawn towards the degrees confused, never away from them; without confusion, the plain
// question.
TEST(FocusedQuestion, LeansTowardsTheConfusedDegrees) {
    const TDegreeWeights Sixth{0, 0, 0, 0, 0, 1, 0};
    std::uint32_t Plain = 0, Focused = 0;
    for (std::uint32_t Seed = 0; Seed < 50; ++Seed) {
        EXPECT_EQ(Lines(FocusedQuestion(2, Seed, {}).Entries),
                  Lines(BuiltInQuestion(2, Seed).Entries));
        const std::uint32_t Before = WeightOf(BuiltInQuestion(2, Seed), Sixth);
        const std::uint32_t After = WeightOf(FocusedQuestion(2, Seed, Sixth), Sixth);
        EXPECT_GE(After, Before);
        Plain += Before;
        Focused += After;
    }
    EXPECT_GT(Focused, 2 * Plain);
}

} // namespace
