// The questions against the functional grammar, written here afresh from its table, and answered
// with the model's own keys.
#include "harmony/calculator.h"
#include "harmony/key_signature.h"
#include "practice/answer_keys.h"
#include "practice/grading.h"
#include "practice/lessons.h"
#include "progression/key_codes.h"
#include "progression/progression_file.h"
#include "tests/progression/test_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>

namespace {

// Degree to degree within one key, whatever the variant.
const std::map<std::int32_t, std::set<std::int32_t>> kMayGoTo = {
    {1, {2, 4, 5, 6, 7}}, {2, {5, 7}}, {4, {1, 2, 5, 7}}, {5, {1, 6}}, {6, {2, 4, 5}}, {7, {1}},
};

// What a lesson's questions may hold and must hold at least once: v variants, s secondary
// dominants, m a modulation.
struct TRule {
    std::set<TMode> Modes;
    std::int32_t MaxFifths;
    std::set<std::int32_t> Degrees;
    std::string May, Needs;
    std::size_t MinChords, MaxChords;
};

const std::set<std::int32_t> kSix{1, 2, 4, 5, 6, 7};
const std::set<TMode> kBoth{mdMajor, mdMinor};
const TRule kRules[] = {
    {{mdMajor}, 1, {1, 4, 5}, "", "", 4, 6}, {{mdMajor}, 2, kSix, "", "", 5, 6},
    {{mdMinor}, 2, kSix, "", "", 5, 6},      {kBoth, 2, kSix, "v", "v", 6, 6},
    {kBoth, 2, kSix, "s", "s", 6, 6},        {kBoth, 2, kSix, "m", "m", 8, 8},
    {kBoth, 4, kSix, "vsm", "", 6, 8},
};

bool Same(TTonality A, TTonality B) {
    return TCalculatorEx::SameTonality(A, B);
}

TChord ChordAt(TTonality Key, std::int32_t Degree) {
    TChordVariant Variant = cvNormal;
    return TCalculatorEx::ChordOf(Variant, Key, Degree);
}

// The variants a lesson may give: borrowed II, IV, VI in major, Dorian IV and Neapolitan II in
// minor.
const std::set<std::tuple<TMode, std::int32_t, TChordVariant>> kColours = {
    {mdMajor, 2, cvBorrowed},
    {mdMajor, 4, cvBorrowed},
    {mdMajor, 6, cvBorrowed},
    {mdMinor, 4, cvDorian},
    {mdMinor, 2, cvNeapolitan}};

bool CloselyRelated(TTonality Home, TTonality Key) {
    const std::int32_t Apart = KeySignatureFifths(Key) - KeySignatureFifths(Home);
    return Home.Mode == Key.Mode ? Apart == 1 || Apart == -1 : Apart == 0;
}

// What one way of reading the question has met so far.
struct TReading {
    TTonality Home;
    std::int32_t Last = 0, BeforeLast = 0; // functional degrees, 0 before the first
    std::string Met;                       // v, s, m as above
};

bool Has(const std::string& Letters, char Letter) {
    return Letters.find(Letter) != std::string::npos;
}

// Whether the entries from At on read as the grammar's in one of the ways it allows.
bool Reads(const TRule& Rule, const std::vector<TProgressionEntry>& E, std::size_t At, TReading R) {
    const auto Goes = [&](std::int32_t To) {
        return R.Last == 0 ? To == 1 : kMayGoTo.count(R.Last) && kMayGoTo.at(R.Last).count(To);
    };
    if (At == E.size()) {
        return R.BeforeLast == 5 && R.Last == 1 &&
               std::all_of(Rule.Needs.begin(), Rule.Needs.end(),
                           [&](char Need) { return Has(R.Met, Need); });
    }
    const TProgressionEntry& Now = E[At];
    if (Same(Now.Tonality, R.Home) && Goes(Now.Degree) && Rule.Degrees.count(Now.Degree) &&
        (Has(Rule.May, 'v') || Now.Variant == cvNormal) &&
        (!Now.Variant || kColours.count({R.Home.Mode, Now.Degree, Now.Variant})) &&
        Reads(Rule, E, At + 1, {R.Home, Now.Degree, R.Last, R.Met + (Now.Variant ? "v" : "")})) {
        return true;
    }
    // (K, 5) then (K, 1), the chord of degree x itself: x where the grammar allows x. The
    // dominant must sound as none of the lesson's chords of the key, or it could not be told
    // from it by ear.
    TChordVariant Unused = cvNormal;
    const std::int32_t AsOwn = TCalculatorEx::FindDegree(R.Home, ChordAt(Now.Tonality, 5), Unused);
    if (Has(Rule.May, 's') && !Rule.Degrees.count(AsOwn) && R.Last != 0 && At + 1 < E.size() &&
        !Same(Now.Tonality, R.Home) && Now.Degree == 5 && Now.Variant == cvNormal &&
        Same(E[At + 1].Tonality, Now.Tonality) && E[At + 1].Degree == 1 &&
        E[At + 1].Variant == cvNormal) {
        for (std::int32_t x = 2; x <= 6; ++x) {
            if (TCalculator::SameChord(ChordAt(R.Home, x), ChordAt(Now.Tonality, 1)) && Goes(x) &&
                Reads(Rule, E, At + 2, {R.Home, x, R.Last, R.Met + "s"})) {
                return true;
            }
        }
    }
    // The chord before is the pivot: a plain degree of the old key (not the I of a secondary
    // dominant's key), read as one of the new.
    if (Has(Rule.May, 'm') && !Has(R.Met, 'm') && At > 0 && Same(E[At - 1].Tonality, R.Home) &&
        E[At - 1].Variant == cvNormal && CloselyRelated(R.Home, Now.Tonality)) {
        for (std::int32_t q = 1; q <= 7; ++q) {
            if (TCalculator::SameChord(ChordAt(Now.Tonality, q),
                                       ChordAt(R.Home, E[At - 1].Degree)) &&
                Reads(Rule, E, At, {Now.Tonality, q, R.Last, R.Met + "m"})) {
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

// Typed into the model as the window does, graded as the model tells what changed: the
// question entry for entry, right at the first try.
bool AnsweredByItsKeys(const TQuestion& Question) {
    TAnswerSheet Sheet(Question);
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
            Sheet.Grade(M.Form.GetProgression(), Change.FirstChanged.value_or(99));
        }
    }
    return Lines(M.Form.GetProgression()) == Lines(Question.Entries) && Sheet.Complete() &&
           Sheet.RightAtFirstTry();
}

// A teacher's file may go anywhere: remote keys, either mode, every variant.
TEST(AnswerKeys, ReachEveryKeyAndVariant) {
    const char* const kFiles[] = {"C 0010 A 0150 E-1142 F 1170 C 0123 G-1061 D 1123 B 0140",
                                  "A 0110 C 0010 A 0110 F 1010 B-1110 E-1010"};
    for (const std::string File : kFiles) {
        TQuestion Question;
        for (std::size_t At = 0; At < File.size(); At += 7) {
            Question.Entries.push_back(*ParseEntryLine(File.substr(At, 6)));
        }
        EXPECT_TRUE(AnsweredByItsKeys(Question)) << File;
    }
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
            EXPECT_TRUE(Reads(Rule, Question.Entries, 0, {Key, 0, 0, ""}));
            EXPECT_TRUE(AnsweredByItsKeys(Question));
            const std::vector<TKeyStroke> Keys = AnswerKeys(Question);
            // A pivot is read with Ctrl+digit; only a secondary dominant's way home may need
            // the arrows (Ctrl+5 reads V of V's I as V of the minor key).
            EXPECT_TRUE(
                Has(Rule.May, 's') || std::none_of(Keys.begin(), Keys.end(), [](auto Stroke) {
                    return Stroke.Shift == ssCtrl && Stroke.Key >= vkLeft && Stroke.Key <= vkDown;
                }));
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

// Drawn towards the degrees confused, never away from them; without confusion, the plain
// question.
TEST(FocusedQuestion, LeansTowardsTheConfusedDegrees) {
    const auto Sixths = [](const TQuestion& Question) {
        return std::count_if(Question.Entries.begin(), Question.Entries.end(),
                             [](const TProgressionEntry& Entry) { return Entry.Degree == 6; });
    };
    std::ptrdiff_t Plain = 0, Focused = 0;
    for (std::uint32_t Seed = 0; Seed < 50; ++Seed) {
        EXPECT_EQ(Lines(FocusedQuestion(2, Seed, {}).Entries),
                  Lines(BuiltInQuestion(2, Seed).Entries));
        const std::ptrdiff_t Before = Sixths(BuiltInQuestion(2, Seed));
        const std::ptrdiff_t After = Sixths(FocusedQuestion(2, Seed, {0, 0, 0, 0, 0, 1, 0}));
        EXPECT_GE(After, Before);
        Plain += Before;
        Focused += After;
    }
    EXPECT_GT(Focused, 2 * Plain);
}

} // namespace
