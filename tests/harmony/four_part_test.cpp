#include "harmony/four_part.h"

#include "tests/harmony/harmony_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// The rules of four-part writing, written from the contract alone: a voicing's breaks of the
// hard rules, counted one by one.
int Breaks(const std::optional<TFourVoices>& Before, const TFourVoices& V,
           const TFourPartChord& C) {
    const int S = V[0], A = V[1], T = V[2], B = V[3];
    int Count = 0;
    bool AllThere = true;
    for (int PitchClass : C.PitchClasses) {
        AllThere = AllThere &&
                   std::any_of(V.begin(), V.end(), [&](int N) { return N % 12 == PitchClass; });
    }
    Count += B % 12 != C.PitchClasses[0] || !AllThere; // H1
    const int Low[4] = {60, 55, 48, 40}, High[4] = {79, 74, 67, 62};
    for (int v = 0; v < 4; ++v) {
        Count += V[v] < Low[v] || V[v] > High[v]; // H2
    }
    Count += !(S >= A && A >= T && T > B); // H3
    Count += S - A > 12;
    Count += A - T > 12;
    Count +=
        std::count_if(V.begin(), V.end(), [&](int N) { return N % 12 == C.LeadingTone; }) > 1; // H6
    if (!Before) {
        return Count;
    }
    const TFourVoices& P = *Before;
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            const bool Moving = P[i] != V[i] && P[j] != V[j];
            const int Was = std::abs(P[i] - P[j]) % 12, Is = std::abs(V[i] - V[j]) % 12;
            Count += Moving && ((Was == 0 && Is == 0) || (Was == 7 && Is == 7)); // H4
        }
    }
    for (int i = 0; i < 3; ++i) {
        Count += V[i] < P[i + 1] || V[i + 1] > P[i]; // H5
    }
    const int dS = S - P[0], dB = B - P[3];
    const int Outer = std::abs(S - B) % 12;
    Count += ((dS > 0 && dB > 0) || (dS < 0 && dB < 0)) && (Outer == 0 || Outer == 7) &&
             std::abs(dS) > 2; // H7
    return Count;
}

// The preferences after a chord, lower is better, compared in order.
std::array<int, 4> Preferences(const TFourVoices& P, const TFourVoices& V,
                               const TFourPartChord& C) {
    const bool Resolves = !(C.TonicTriad && P[0] % 12 == C.LeadingTone) || V[0] == P[0] + 1;
    const int Doubled = C.Diminished ? C.PitchClasses[1] : C.PitchClasses[0];
    const auto Count = std::count_if(V.begin(), V.end(), [&](int N) { return N % 12 == Doubled; });
    int Moved = 0, Motion = 0;
    for (int v = 0; v < 3; ++v) {
        const bool Common = std::find(C.PitchClasses.begin(), C.PitchClasses.end(), P[v] % 12) !=
                            C.PitchClasses.end();
        Moved += Common && V[v] != P[v];
        Motion += std::abs(V[v] - P[v]);
    }
    return {Resolves ? 0 : 1, Count >= 2 ? 0 : 1, Moved, Motion};
}

// Every voicing of the chord's pitch classes with each voice from 40 to 79.
std::vector<TFourVoices> AllVoicings(const TFourPartChord& C) {
    std::vector<int> Notes;
    for (int N = 40; N <= 79; ++N) {
        if (std::find(C.PitchClasses.begin(), C.PitchClasses.end(), N % 12) !=
            C.PitchClasses.end()) {
            Notes.push_back(N);
        }
    }
    std::vector<TFourVoices> All;
    for (int S : Notes)
        for (int A : Notes)
            for (int T : Notes)
                for (int B : Notes)
                    All.push_back({S, A, T, B});
    return All;
}

struct TStep {
    const char* Key;
    std::int32_t Degree;
    TChordVariant Variant = cvNormal;
};

TFourPartChord ChordAt(const TStep& Step) {
    TChordVariant Variant = Step.Variant;
    const TTonality K = Key(Step.Key);
    return FourPartChordOf(TCalculatorEx::ChordOf(Variant, K, Step.Degree), K);
}

std::vector<TFourVoices> Lead(const std::vector<TStep>& Steps) {
    std::vector<TFourVoices> Out;
    std::optional<TFourVoices> Previous;
    for (const TStep& Step : Steps) {
        Previous = LeadVoices(Previous, ChordAt(Step));
        Out.push_back(*Previous);
    }
    return Out;
}

TEST(FourPart, ReadsTheChordsPitchClassesAndItsKeysLeadingTone) {
    struct TRead {
        TStep Step;
        std::array<int, 3> PitchClasses;
        int LeadingTone;
        bool Diminished, TonicTriad;
    };
    const TRead kReads[] = {
        {{"C", 1}, {0, 4, 7}, 11, false, true},
        {{"C", 5}, {7, 11, 2}, 11, false, false},
        {{"C", 7}, {11, 2, 5}, 11, true, false},
        {{"a", 1}, {9, 0, 4}, 8, false, true},
        {{"a", 5}, {4, 8, 11}, 8, false, false},
        {{"a", 2, cvNeapolitan}, {10, 2, 5}, 8, false, false},
        {{"C", 6, cvBorrowed}, {8, 0, 3}, 11, false, false},
        {{"E♭", 1}, {3, 7, 10}, 2, false, true},
    };
    for (const TRead& r : kReads) {
        SCOPED_TRACE(std::string(r.Step.Key) + std::to_string(r.Step.Degree));
        const TFourPartChord Got = ChordAt(r.Step);
        EXPECT_EQ(Got.PitchClasses, r.PitchClasses);
        EXPECT_EQ(Got.LeadingTone, r.LeadingTone);
        EXPECT_EQ(Got.Diminished, r.Diminished);
        EXPECT_EQ(Got.TonicTriad, r.TonicTriad);
    }
}

struct TCase {
    const char* Name;
    std::vector<TStep> Steps;
    std::vector<TFourVoices> Want; // empty: only the rules are checked
};

const TCase kTextbook[] = {
    {"I-IV-V-I in C major",
     {{"C", 1}, {"C", 4}, {"C", 5}, {"C", 1}},
     {{72, 67, 64, 48}, {72, 69, 65, 53}, {71, 67, 62, 55}, {72, 67, 64, 60}}},
    {"I-VI-IV-V-I in C major", {{"C", 1}, {"C", 6}, {"C", 4}, {"C", 5}, {"C", 1}}, {}},
    {"I-IV-V-I in A minor", {{"a", 1}, {"a", 4}, {"a", 5}, {"a", 1}}, {}},
    {"I-VI-IV-V-I in A minor", {{"a", 1}, {"a", 6}, {"a", 4}, {"a", 5}, {"a", 1}}, {}},
    {"V-VI, the deceptive cadence, in C major", {{"C", 1}, {"C", 5}, {"C", 6}}, {}},
    {"V-VI, the deceptive cadence, in A minor", {{"a", 1}, {"a", 5}, {"a", 6}}, {}},
    {"a secondary dominant: V of V", {{"C", 1}, {"G", 5}, {"C", 5}, {"C", 1}}, {}},
    {"the Neapolitan before V in A minor",
     {{"a", 1}, {"a", 2, cvNeapolitan}, {"a", 5}, {"a", 1}},
     {}},
    {"a pivot into the dominant key", {{"C", 1}, {"C", 6}, {"G", 2}, {"G", 5}, {"G", 1}}, {}},
    {"vii°-I, the diminished triad doubling its third", {{"C", 1}, {"C", 7}, {"C", 1}}, {}},
    {"a remote key change", {{"C", 1}, {"F♯", 1}, {"C", 5}, {"C", 1}}, {}},
};

TEST(FourPart, TextbookProgressionsKeepEveryRuleAndResolveTheLeadingTone) {
    for (const TCase& c : kTextbook) {
        SCOPED_TRACE(c.Name);
        const std::vector<TFourVoices> Got = Lead(c.Steps);
        std::optional<TFourVoices> Previous;
        for (std::size_t i = 0; i < Got.size(); ++i) {
            const TFourPartChord Chord = ChordAt(c.Steps[i]);
            EXPECT_EQ(Breaks(Previous, Got[i], Chord), 0) << "chord " << i;
            if (Previous && Chord.TonicTriad && (*Previous)[0] % 12 == Chord.LeadingTone) {
                EXPECT_EQ(Got[i][0], (*Previous)[0] + 1) << "chord " << i;
            }
            Previous = Got[i];
        }
        if (!c.Want.empty()) {
            EXPECT_EQ(Got, c.Want);
        }
    }
}

TEST(FourPart, TheFirstChordIsCloseWithTheRootDoubledAndTheSopranoNearC5) {
    struct TFirst {
        TStep Step;
        TFourVoices Want;
    };
    const TFirst kFirst[] = {
        {{"C", 1}, {72, 67, 64, 48}},
        {{"a", 1}, {72, 69, 64, 45}},
        {{"C", 7}, {74, 65, 62, 47}}, // B-D-F: the third, D, doubled
        {{"E", 1}, {71, 68, 64, 52}},
    };
    for (const TFirst& f : kFirst) {
        SCOPED_TRACE(f.Step.Key + std::to_string(f.Step.Degree));
        EXPECT_EQ(LeadVoices(std::nullopt, ChordAt(f.Step)), f.Want);
    }
}

// The deceptive cadence in C major: V (G) to VI (A minor). Whether or not a rule-keeping
// voicing doubles the root, the leader keeps the rules first.
TEST(FourPart, RootDoublingGivesWayToTheRules) {
    const TFourVoices Dominant{67, 62, 59, 43}; // G: G4 D4 B3 G2
    const TFourPartChord Sixth = ChordAt({"C", 6});
    const TFourVoices Got = LeadVoices(Dominant, Sixth);
    EXPECT_EQ(Breaks(Dominant, Got, Sixth), 0);
    bool RootDoubledPossible = false;
    for (const TFourVoices& V : AllVoicings(Sixth)) {
        if (Breaks(Dominant, V, Sixth) == 0 && Preferences(Dominant, V, Sixth)[1] == 0) {
            RootDoubledPossible = true;
        }
    }
    EXPECT_EQ(Preferences(Dominant, Got, Sixth)[1], RootDoubledPossible ? 0 : 1);
}

// The leader's choice against every voicing: the fewest breaks there are, and among
// rule-keeping voicings none that the preferences put before it.
void ExpectBestOf(const std::optional<TFourVoices>& Previous, const TFourPartChord& Chord,
                  const std::vector<TFourVoices>& All) {
    const TFourVoices Got = LeadVoices(Previous, Chord);
    int Fewest = 1000;
    std::array<int, 4> BestPreferences{1000, 1000, 1000, 1000};
    for (const TFourVoices& V : All) {
        const int B = Breaks(Previous, V, Chord);
        Fewest = std::min(Fewest, B);
        if (B == 0 && Previous) {
            BestPreferences = std::min(BestPreferences, Preferences(*Previous, V, Chord));
        }
    }
    ASSERT_EQ(Breaks(Previous, Got, Chord), Fewest);
    if (Fewest == 0 && Previous) {
        EXPECT_EQ(Preferences(*Previous, Got, Chord), BestPreferences);
    }
}

// From voicings of a chord in order, within three semitones of the voices' ranges (the leader
// must take any four notes it is given), to the next chord.
TEST(FourPart, FromVoicingsOfAChordToTheNextTheBestThereIs) {
    const std::pair<TStep, TStep> kPairs[] = {
        {{"C", 5}, {"C", 1}}, // the leading tone resolves
        {{"C", 4}, {"C", 5}}, // no common tone: parallels lie close
        {{"a", 5}, {"a", 6}}, // the deceptive cadence
        {{"C", 1}, {"C", 7}}, // into a diminished triad
        {{"a", 2, cvNeapolitan}, {"a", 5}},
        {{"C", 1}, {"F♯", 1}}, // remote
    };
    const int Low[4] = {60, 55, 48, 40}, High[4] = {79, 74, 67, 62};
    for (const auto& [From, To] : kPairs) {
        SCOPED_TRACE(std::string(From.Key) + std::to_string(From.Degree) + " to " + To.Key +
                     std::to_string(To.Degree));
        const TFourPartChord Next = ChordAt(To);
        const std::vector<TFourVoices> Nexts = AllVoicings(Next);
        int Seen = 0;
        for (const TFourVoices& P : AllVoicings(ChordAt(From))) {
            bool Near = P[0] >= P[1] && P[1] >= P[2] && P[2] > P[3];
            for (int v = 0; v < 4; ++v) {
                Near = Near && P[v] >= Low[v] - 3 && P[v] <= High[v] + 3;
            }
            if (Near && Seen++ % 2 == 0) {
                ExpectBestOf(P, Next, Nexts);
                if (HasFatalFailure()) {
                    return;
                }
            }
        }
    }
}

// Random chord sequences from the engine over every key with up to one accidental, each
// step checked against a brute-force search of every voicing. Two steps in three stay in
// the key of the step before, as progressions mostly do.
TEST(FourPart, RandomSequencesMatchABruteForceSearch) {
    std::mt19937 Random(20261209);
    std::vector<TTonality> Keys;
    for (const char Letter : std::string("CDEFGAB")) {
        for (std::int32_t Accidental = -1; Accidental <= 1; ++Accidental) {
            Keys.push_back({{Letter, Accidental}, mdMajor});
            Keys.push_back({{Letter, Accidental}, mdMinor});
        }
    }
    for (int Sequence = 0; Sequence < 12; ++Sequence) {
        std::optional<TFourVoices> Previous;
        TTonality K = Keys[Random() % Keys.size()];
        for (int Step = 0; Step < 8; ++Step) {
            if (Random() % 3 == 0) {
                K = Keys[Random() % Keys.size()];
            }
            const auto Degree = static_cast<std::int32_t>(1 + Random() % 7);
            TChordVariant Variant = static_cast<TChordVariant>(Random() % 4);
            SCOPED_TRACE(Describe(K) + " " + std::to_string(Degree) + "/" +
                         std::to_string(Variant) + ", sequence " + std::to_string(Sequence));
            const TFourPartChord Chord =
                FourPartChordOf(TCalculatorEx::ChordOf(Variant, K, Degree), K);
            ExpectBestOf(Previous, Chord, AllVoicings(Chord));
            if (HasFatalFailure()) {
                return;
            }
            Previous = LeadVoices(Previous, Chord);
        }
    }
}

} // namespace
