#include "harmony_test_util.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using C = TCalculatorEx;

// A triad as the chord-name input builds it: a root with (0, 0), a third and a fifth.
TChord Triad(const char* Root, TInterval Third, TInterval Fifth) {
    return {N(Root), {{{0, 0}, Third, Fifth, EndOfTones, {0, 0}}}};
}
TChord Major(const char* Root) {
    return Triad(Root, {2, 0}, {4, -1});
}
TChord Minor(const char* Root) {
    return Triad(Root, {2, -1}, {4, -1});
}
TChord Diminished(const char* Root) {
    return Triad(Root, {2, -1}, {4, -2});
}

struct FindDegreeCase {
    const char* Key;
    TChord Chord;
    std::int32_t Degree;
    TChordVariant Variant;
};

const FindDegreeCase kFindDegree[] = {
    {"C", Major("C"), 1, cvNormal},
    {"C", Minor("D"), 2, cvNormal},
    {"C", Diminished("D"), 2, cvBorrowed},
    {"C", Major("D♭"), 2, cvNeapolitan},
    {"C", Minor("E"), 3, cvNormal},
    {"C", Major("F"), 4, cvNormal},
    {"C", Minor("F"), 4, cvBorrowed},
    {"C", Major("G"), 5, cvNormal},
    {"C", Minor("A"), 6, cvNormal},
    {"C", Major("A♭"), 6, cvBorrowed},
    {"C", Diminished("B"), 7, cvNormal},
    {"a", Minor("A"), 1, cvNormal},
    {"a", Diminished("B"), 2, cvNormal},
    {"a", Major("B♭"), 2, cvNeapolitan},
    {"a", Major("C"), 3, cvNormal},
    {"a", Minor("D"), 4, cvNormal},
    {"a", Major("D"), 4, cvDorian},
    {"a", Major("E"), 5, cvNormal},
    {"a", Major("F"), 6, cvNormal},
    {"a", Diminished("G♯"), 7, cvNormal},
    // chords the key does not hold, enharmonic spellings included
    {"a", Major("G"), -1, 99},
    {"a", Major("G♯"), -1, 99},
    {"a", Major("A♯"), -1, 99},
    {"a", Minor("G"), -1, 99},
    {"C", Major("C♯"), -1, 99},
    {"C", Minor("B♯"), -1, 99},
};

TEST(FindDegree, ReportsDegreeAndVariantOrNothing) {
    for (const auto& c : kFindDegree) {
        SCOPED_TRACE(std::string(c.Key) + ": " + C::ChordName(c.Chord));
        TChordVariant Variant = 99;
        EXPECT_EQ(C::FindDegree(Key(c.Key), c.Chord, Variant), c.Degree);
        EXPECT_EQ(Variant, c.Variant); // untouched (99) when the chord is not found
    }
}

struct FindTonalityCase {
    const char* Name;
    const char* Start;
    std::optional<TChord> Previous;
    TChord Named;
    std::vector<const char*> Cycle; // the keys of hits 1..N in order
};

const FindTonalityCase kFindTonality[] = {
    {"Neapolitan example", "C", Major("F"), Major("B♭"), {"a", "F", "d", "B♭", "A"}},
    {"phase 1 first", "C", Major("C"), Major("E"), {"a", "a", "b", "E", "B"}},
    {"phase 1 ignores the previous chord", "C", Major("C"), Major("A"), {"d", "e", "E"}},
    {"minor start key", "a", Minor("A"), Minor("D"), {"C", "a", "F"}},
    {"a single hit", "C", Major("C"), Minor("F♯"), {"E"}},
    // without a previous chord a neighbouring key only has to hold the named chord
    {"no previous chord",
     "C",
     std::nullopt,
     Major("D"),
     {"G", "a", "G", "D", "b", "g", "A", "f♯", "c♯"}},
    // the farthest candidates from E♭ major are F♭ major and D♭ minor, not E major, C♯ minor
    {"far keys keep their flats",
     "E♭",
     Major("F♭"),
     Major("F♭"),
     {"E♭", "A♭", "e♭", "C♭", "a♭", "F♭", "d♭"}},
};

TEST(FindTonality, CyclesThroughEveryReadingInOrder) {
    for (const auto& c : kFindTonality) {
        SCOPED_TRACE(c.Name);
        std::int32_t Counter = 1;
        const auto Hits = static_cast<std::int32_t>(c.Cycle.size());
        // Two rounds: after the last hit the counter wraps to the first (and is left at 2).
        for (std::int32_t Call = 0; Call < 2 * Hits + 1; ++Call) {
            SCOPED_TRACE("call " + std::to_string(Call + 1));
            TTonality Found = Key(c.Start);
            const std::int32_t Asked = Counter;
            ASSERT_TRUE(C::FindTonality(Found, Counter, c.Previous, c.Named));
            const std::int32_t Hit = Asked > Hits ? 1 : Asked;
            EXPECT_EQ(Found, Key(c.Cycle[Hit - 1]));
            EXPECT_EQ(Counter, Hit + 1);
        }
    }
}

TEST(FindTonality, OutOfRangeCountersSelectTheFirstHit) {
    for (const std::int32_t Asked : {0, -5, INT32_MIN, 6, 1000, INT32_MAX}) {
        SCOPED_TRACE(Asked);
        TTonality Found = Key("C");
        std::int32_t Counter = Asked;
        ASSERT_TRUE(C::FindTonality(Found, Counter, Major("F"), Major("B♭")));
        EXPECT_EQ(Found, Key("a"));
        EXPECT_EQ(Counter, Asked <= 0 ? Asked + 1 : 2);
    }
}

TEST(FindTonality, NoHitLeavesKeyAndCounterAlone) {
    // A♯ major is B♭ major's enharmonic twin, and is never taken for it.
    TTonality Found = Key("C");
    std::int32_t Counter = 7;
    EXPECT_FALSE(C::FindTonality(Found, Counter, Major("C"), Major("A♯")));
    EXPECT_EQ(Found, Key("C"));
    EXPECT_EQ(Counter, 7);
}

TEST(FindTonality, NeverVisitsKeysSixFifthsAway) {
    // F♯ major holds both chords, but lies six fifths from C major.
    TTonality Found = Key("C");
    std::int32_t Counter = 1;
    EXPECT_FALSE(C::FindTonality(Found, Counter, Major("F♯"), Major("C♯")));
}

// One cell of the pivot table: the key and variant of the new reading, or no key for a dash.
struct Reading {
    const char* Key = nullptr;
    TChordVariant Variant = cvNormal;
};

struct ReinterpretCase {
    const char* Key;
    std::int32_t Degree;
    TChordVariant Variant;
    Reading Targets[7];
};

const ReinterpretCase kReinterpret[] = {
    {"C", 1, 0, {{"C"}, {"b", 3}, {"a"}, {"g", 2}, {"f"}, {"e"}, {}}},
    {"C", 2, 0, {{"d"}, {"C"}, {"B♭"}, {"a"}, {}, {"F"}, {}}},
    {"C", 3, 0, {{"e"}, {"D"}, {"C"}, {"b"}, {}, {"G"}, {}}},
    {"C", 4, 0, {{"F"}, {"e", 3}, {"d"}, {"c", 2}, {"b♭"}, {"a"}, {}}},
    {"C", 5, 0, {{"G"}, {"f♯", 3}, {"e"}, {"d", 2}, {"c"}, {"b"}, {}}},
    {"C", 6, 0, {{"a"}, {"G"}, {"F"}, {"e"}, {}, {"C"}, {}}},
    {"C", 7, 0, {{}, {"a"}, {}, {}, {}, {}, {"c"}}},
    {"a", 1, 0, {{"a"}, {"G"}, {"F"}, {"E", 1}, {}, {"C"}, {}}},
    {"a", 2, 0, {{}, {"A", 1}, {}, {}, {}, {}, {"C"}}},
    {"a", 3, 0, {{"C"}, {"B", 3}, {"a"}, {"G"}, {"F"}, {"E", 1}, {}}},
    {"a", 4, 0, {{"d"}, {"C"}, {"B♭"}, {"A", 1}, {}, {"F"}, {}}},
    {"a", 5, 0, {{"E"}, {"D♯", 3}, {"c♯"}, {"B"}, {"A"}, {"G♯", 1}, {}}},
    {"a", 6, 0, {{"F"}, {"E", 3}, {"d"}, {"C"}, {"B♭"}, {"A", 1}, {}}},
    {"a", 7, 0, {{}, {"F♯", 1}, {}, {}, {}, {}, {"A"}}},
    // the variant chords of C major
    {"C", 6, 1, {{"A♭"}, {"g", 3}, {"f"}, {"e♭", 2}, {"d♭"}, {"c"}, {}}},
    {"C", 2, 3, {{"D♭"}, {"c", 3}, {"b♭"}, {"a♭", 2}, {"g♭"}, {"f"}, {}}},
    {"C", 4, 1, {{"f"}, {"E♭"}, {"D♭"}, {"c"}, {}, {"A♭"}, {}}},
    {"C", 2, 1, {{}, {"c"}, {}, {}, {}, {}, {"e♭"}}},
};

TEST(Reinterpret, ReadsEveryChordOnEveryTargetDegree) {
    for (const auto& c : kReinterpret) {
        for (std::int32_t Target = 1; Target <= 7; ++Target) {
            SCOPED_TRACE(std::string(c.Key) + " degree " + std::to_string(c.Degree) + " variant " +
                         std::to_string(c.Variant) + " to degree " + std::to_string(Target));
            const Reading& Want = c.Targets[Target - 1];
            TTonality Tonality = Key(c.Key);
            TChordVariant Variant = c.Variant;
            const bool Found = C::Reinterpret(Tonality, c.Degree, Target, Variant);
            ASSERT_EQ(Found, Want.Key != nullptr);
            if (Found) {
                EXPECT_EQ(Tonality, Key(Want.Key));
                EXPECT_EQ(Variant, Want.Variant);
            } else {
                EXPECT_EQ(Tonality, Key(c.Key));
                EXPECT_EQ(Variant, c.Variant);
            }
        }
    }
}

TEST(Reinterpret, RepeatingTheRequestFlipsTheMode) {
    TTonality Tonality = Key("C");
    std::int32_t Degree = 4;
    TChordVariant Variant = cvNormal;
    for (const char* Want : {"b♭", "B♭", "b♭"}) {
        ASSERT_TRUE(C::Reinterpret(Tonality, Degree, 5, Variant));
        Degree = 5;
        EXPECT_EQ(Tonality, Key(Want));
    }
}

TEST(Reinterpret, FailureNormalisesTheVariant) {
    TTonality Tonality = Key("C");
    TChordVariant Variant = cvDorian; // does not apply to degree 1 of a major key
    EXPECT_FALSE(C::Reinterpret(Tonality, 1, 7, Variant));
    EXPECT_EQ(Tonality, Key("C"));
    EXPECT_EQ(Variant, cvNormal);
}

} // namespace
