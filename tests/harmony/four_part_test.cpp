#include "harmony/four_part.h"
#include "harmony/voice_rules.h"

#include "tests/harmony/harmony_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// A voicing's breaks of the hard rules as the leader weighs them: grave, then the others.
std::pair<int, int> Weight(const std::optional<TVoicedChord>& Before, const TFourVoices& V,
                           const TFourPartChord& C) {
    const std::array<int, WeightCount> W = WeightsOf(VoiceBreaks(Before, V, C));
    return {W[rwGrave], W[rwOther]};
}

// The preferences after a chord, written from the contract, lower is better, in order.
std::array<int, 5> Preferences(const TFourVoices& P, const TFourVoices& V,
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
    return {Resolves ? 0 : 1, Count >= 2 ? 0 : 1, std::abs(V[3] - P[3]) > 7, Moved, Motion};
}

// Every voicing that keeps H1, each voice from 40 to 79.
std::vector<TFourVoices> AllVoicings(const TFourPartChord& C) {
    std::vector<int> Notes;
    for (int N = 40; N <= 79; ++N) {
        if (std::find(C.PitchClasses.begin(), C.PitchClasses.end(), N % 12) !=
            C.PitchClasses.end()) {
            Notes.push_back(N);
        }
    }
    const auto Holds = [&](const TFourVoices& V, int PitchClass) {
        return std::any_of(V.begin(), V.end(), [&](int N) { return N % 12 == PitchClass; });
    };
    std::vector<TFourVoices> All;
    for (int S : Notes)
        for (int A : Notes)
            for (int T : Notes)
                for (int B : Notes)
                    if (B % 12 == C.PitchClasses[0] && Holds({S, A, T, B}, C.PitchClasses[1]) &&
                        Holds({S, A, T, B}, C.PitchClasses[2]))
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

std::vector<TVoicedChord> Lead(const std::vector<TStep>& Steps) {
    std::vector<TVoicedChord> Out;
    std::optional<TVoicedChord> Previous;
    for (const TStep& Step : Steps) {
        const TFourPartChord Chord = ChordAt(Step);
        Previous = TVoicedChord{LeadVoices(Previous, Chord), Chord};
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
        const char* Third;
    };
    const TRead kReads[] = {
        {{"C", 1}, {0, 4, 7}, 11, false, true, "E"},
        {{"C", 5}, {7, 11, 2}, 11, false, false, "B"},
        {{"C", 7}, {11, 2, 5}, 11, true, false, "D"},
        {{"a", 1}, {9, 0, 4}, 8, false, true, "C"},
        {{"a", 5}, {4, 8, 11}, 8, false, false, "G♯"},
        {{"a", 2, cvNeapolitan}, {10, 2, 5}, 8, false, false, "D"},
        {{"C", 6, cvBorrowed}, {8, 0, 3}, 11, false, false, "C"},
        {{"E♭", 1}, {3, 7, 10}, 2, false, true, "G"},
    };
    for (const TRead& r : kReads) {
        SCOPED_TRACE(std::string(r.Step.Key) + std::to_string(r.Step.Degree));
        const TFourPartChord Got = ChordAt(r.Step);
        EXPECT_EQ(Got.PitchClasses, r.PitchClasses);
        EXPECT_EQ(Got.LeadingTone, r.LeadingTone);
        EXPECT_EQ(Got.Diminished, r.Diminished);
        EXPECT_EQ(Got.TonicTriad, r.TonicTriad);
        EXPECT_EQ(Got.Names[1], N(r.Third));
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
    // F in the alto would rise to G♯; the leader lets D fall to G♯ instead.
    {"I-II-V-I in A minor, no augmented second",
     {{"a", 1}, {"a", 2}, {"a", 5}, {"a", 1}},
     {{72, 69, 64, 45}, {74, 65, 62, 47}, {68, 64, 59, 52}, {69, 64, 60, 57}}},
    {"V-VI, the deceptive cadence, in C major", {{"C", 1}, {"C", 5}, {"C", 6}}, {}},
    {"V-VI, the deceptive cadence, in A minor", {{"a", 1}, {"a", 5}, {"a", 6}}, {}},
    {"a secondary dominant: V of V", {{"C", 1}, {"G", 5}, {"C", 5}, {"C", 1}}, {}},
    {"the Neapolitan before V in A minor",
     {{"a", 1}, {"a", 2, cvNeapolitan}, {"a", 5}, {"a", 1}},
     {}},
    {"a pivot into the dominant key", {{"C", 1}, {"C", 6}, {"G", 2}, {"G", 5}, {"G", 1}}, {}},
    {"vii°-I, the diminished triad doubling its third", {{"C", 1}, {"C", 7}, {"C", 1}}, {}},
};

TEST(FourPart, TextbookProgressionsKeepEveryRuleAndResolveTheLeadingTone) {
    for (const TCase& c : kTextbook) {
        SCOPED_TRACE(c.Name);
        const std::vector<TVoicedChord> Got = Lead(c.Steps);
        std::optional<TVoicedChord> Previous;
        std::vector<TFourVoices> Voices;
        for (std::size_t i = 0; i < Got.size(); ++i) {
            const TFourPartChord& Chord = Got[i].Chord;
            EXPECT_EQ(VoiceBreaks(Previous, Got[i].Voices, Chord), std::vector<TVoiceBreak>{})
                << "chord " << i;
            if (Previous && Chord.TonicTriad && Previous->Voices[0] % 12 == Chord.LeadingTone) {
                EXPECT_EQ(Got[i].Voices[0], Previous->Voices[0] + 1) << "chord " << i;
            }
            Previous = Got[i];
            Voices.push_back(Got[i].Voices);
        }
        if (!c.Want.empty()) {
            EXPECT_EQ(Voices, c.Want);
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
    const TVoicedChord Dominant{{67, 62, 59, 43}, ChordAt({"C", 5})}; // G: G4 D4 B3 G2
    const TFourPartChord Sixth = ChordAt({"C", 6});
    const TFourVoices Got = LeadVoices(Dominant, Sixth);
    EXPECT_EQ(Weight(Dominant, Got, Sixth), std::make_pair(0, 0));
    bool RootDoubledPossible = false;
    for (const TFourVoices& V : AllVoicings(Sixth)) {
        if (Weight(Dominant, V, Sixth) == std::make_pair(0, 0) &&
            Preferences(Dominant.Voices, V, Sixth)[1] == 0) {
            RootDoubledPossible = true;
        }
    }
    EXPECT_EQ(Preferences(Dominant.Voices, Got, Sixth)[1], RootDoubledPossible ? 0 : 1);
}

// The leader's choice against every voicing that keeps H1: the fewest grave breaks there
// are, then the fewest others, and among the voicings that break as few none that the
// preferences put before it.
void ExpectBestOf(const std::optional<TVoicedChord>& Previous, const TFourPartChord& Chord,
                  const std::vector<TFourVoices>& All) {
    const TFourVoices Got = LeadVoices(Previous, Chord);
    std::pair<int, int> Fewest{1000, 1000};
    std::array<int, 5> BestPreferences{1000, 1000, 1000, 1000, 1000};
    for (const TFourVoices& V : All) {
        const std::pair<int, int> W = Weight(Previous, V, Chord);
        if (W < Fewest) {
            BestPreferences.fill(1000);
        }
        Fewest = std::min(Fewest, W);
        if (W == Fewest && Previous) {
            BestPreferences = std::min(BestPreferences, Preferences(Previous->Voices, V, Chord));
        }
    }
    ASSERT_EQ(Weight(Previous, Got, Chord), Fewest) << ::testing::PrintToString(Got);
    ASSERT_EQ(Got[vcBass] % 12, Chord.PitchClasses[0]);
    for (const int Note : Got) {
        ASSERT_TRUE(Note >= LowestSearchedNote && Note <= HighestSearchedNote);
    }
    if (Previous) {
        EXPECT_EQ(Preferences(Previous->Voices, Got, Chord), BestPreferences);
    }
}

// Single steps from the voicing given: a chord no voicing keeps every rule for keeps its
// root in the bass, and the bass takes the nearer root.
TEST(FourPart, StepsThatV1WroteWrongKeepTheRootAndTheNearerBass) {
    struct TOne {
        const char* Name;
        TStep From;
        TFourVoices Before;
        TStep To;
        int Bass;
    };
    const TOne kSteps[] = {
        {"G: V to f♯: V, forced", {"G", 5}, {74, 69, 66, 50}, {"f♯", 5}, 49},
        {"F♯: I to C: V after a remote change", {"F♯", 1}, {70, 66, 61, 42}, {"C", 5}, 43},
        {"IV-V in C major, a step up, not a seventh down",
         {"C", 4},
         {72, 65, 57, 53},
         {"C", 5},
         55},
        {"G: I to e: V, a third up, not a sixth down", {"G", 1}, {74, 67, 59, 55}, {"e", 5}, 59},
    };
    for (const TOne& o : kSteps) {
        SCOPED_TRACE(o.Name);
        const TVoicedChord Before{o.Before, ChordAt(o.From)};
        const TFourPartChord Next = ChordAt(o.To);
        EXPECT_EQ(LeadVoices(Before, Next)[vcBass], o.Bass);
        ExpectBestOf(Before, Next, AllVoicings(Next));
    }
}

// From voicings of a chord in order, within three semitones of the voices' ranges (the leader
// must take any four notes it is given), to the next chord.
TEST(FourPart, FromVoicingsOfAChordToTheNextTheBestThereIs) {
    const std::pair<TStep, TStep> kPairs[] = {
        {{"C", 5}, {"C", 1}}, // the leading tone resolves
        {{"C", 4}, {"C", 5}}, // no common tone: parallels lie close
        {{"a", 5}, {"a", 6}}, // the deceptive cadence
        {{"a", 2}, {"a", 5}}, // F would rise to G♯
        {{"C", 1}, {"C", 7}}, // into a diminished triad
        {{"a", 2, cvNeapolitan}, {"a", 5}},
        {{"C", 1}, {"F♯", 1}}, // remote
        {{"G", 5}, {"f♯", 5}}, // remote, H1 would give way in v1
    };
    const int Low[4] = {60, 55, 48, 40}, High[4] = {79, 74, 67, 62};
    for (const auto& [From, To] : kPairs) {
        SCOPED_TRACE(std::string(From.Key) + std::to_string(From.Degree) + " to " + To.Key +
                     std::to_string(To.Degree));
        const TFourPartChord Before = ChordAt(From), Next = ChordAt(To);
        const std::vector<TFourVoices> Nexts = AllVoicings(Next);
        int Seen = 0;
        for (const TFourVoices& P : AllVoicings(Before)) {
            bool Near = P[0] >= P[1] && P[1] >= P[2] && P[2] > P[3];
            for (int v = 0; v < 4; ++v) {
                Near = Near && P[v] >= Low[v] - 3 && P[v] <= High[v] + 3;
            }
            if (Near && Seen++ % 2 == 0) {
                ExpectBestOf(TVoicedChord{P, Before}, Next, Nexts);
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
        std::optional<TVoicedChord> Previous;
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
            Previous = TVoicedChord{LeadVoices(Previous, Chord), Chord};
        }
    }
}


} // namespace
