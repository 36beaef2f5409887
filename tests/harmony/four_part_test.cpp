#include "harmony/four_part.h"
#include "harmony/voice_rules.h"

#include "tests/harmony/harmony_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <random>
#include <set>
#include <vector>

namespace {

// The hard rules written from the contract alone, counted per rule as the leader weighs
// them, indexed by TVoiceRule. H1 counts each note off the chord (the bass off the root
// among them) and each missing pitch class.
std::array<int, RuleCount> Breaks(const std::optional<TVoicedChord>& Before, const TFourVoices& V,
                                  const TFourPartChord& C) {
    const auto Tone = [](const TFourPartChord& Of, int Note) {
        return std::find(Of.PitchClasses.begin(), Of.PitchClasses.end(), Note % 12) -
               Of.PitchClasses.begin(); // 3: none
    };
    std::array<int, RuleCount> N{};
    const int S = V[0], A = V[1], T = V[2], B = V[3];
    const int Low[4] = {60, 55, 48, 40}, High[4] = {79, 74, 67, 62};
    for (int v = 0; v < 4; ++v) {
        N[vrRootPosition] += Tone(C, V[v]) == 3 || (v == 3 && Tone(C, B) != 0);
        N[vrRange] += V[v] < Low[v] || V[v] > High[v];
    }
    for (int k = 0; k < 3; ++k) {
        N[vrRootPosition] +=
            std::none_of(V.begin(), V.end(), [&](int n) { return Tone(C, n) == k; });
    }
    N[vrOrder] = !(S >= A && A >= T && T > B);
    N[vrSpacing] = (S - A > 12) + (A - T > 12);
    N[vrLeadingTone] =
        std::count_if(V.begin(), V.end(), [&](int n) { return n % 12 == C.LeadingTone; }) > 1;
    if (!Before) {
        return N;
    }
    const TFourVoices& P = Before->Voices;
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            const int Was = std::abs(P[i] - P[j]) % 12, Is = std::abs(V[i] - V[j]) % 12;
            N[vrParallel] += P[i] != V[i] && P[j] != V[j] && Was == Is && (Was == 0 || Was == 7);
        }
        const auto From = Tone(Before->Chord, P[i]), To = Tone(C, V[i]);
        if (P[i] != V[i] && From != 3 && To != 3) {
            const TNoteName F = Before->Chord.Names[From], G = C.Names[To];
            const TInterval Up =
                P[i] < V[i] ? TCalculator::IntervalFromTo(F, G) : TCalculator::IntervalFromTo(G, F);
            N[vrAugmentedStep] += Up == TInterval{1, 1} || Up == TInterval{3, 0};
        }
    }
    for (int i = 0; i < 3; ++i) {
        N[vrOverlap] += V[i] < P[i + 1] || V[i + 1] > P[i];
    }
    const int dS = S - P[0], dB = B - P[3];
    const int Outer = std::abs(S - B) % 12;
    N[vrHiddenPerfect] = ((dS > 0 && dB > 0) || (dS < 0 && dB < 0)) && (Outer == 0 || Outer == 7) &&
                         std::abs(dS) > 2;
    return N;
}

// The contract's weights of the breaks: H1, then the grave rules, then all the others.
std::array<int, WeightCount> Weight(const std::array<int, RuleCount>& N) {
    return {N[vrRootPosition], N[vrParallel] + N[vrOrder] + N[vrLeadingTone],
            N[vrRange] + N[vrSpacing] + N[vrOverlap] + N[vrHiddenPerfect] + N[vrAugmentedStep]};
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
    std::vector<TFourVoices> All;
    for (int S : Notes)
        for (int A : Notes)
            for (int T : Notes)
                for (int B : Notes)
                    if (B % 12 == C.PitchClasses[0] &&
                        std::set<int>{S % 12, A % 12, T % 12, B % 12}.size() == 3)
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
        std::optional<TVoicedChord> Previous;
        std::vector<TFourVoices> Got;
        for (const TStep& Step : c.Steps) {
            const TFourPartChord Chord = ChordAt(Step);
            const TFourVoices V = LeadVoices(Previous, Chord);
            EXPECT_EQ(Breaks(Previous, V, Chord), (std::array<int, RuleCount>{}))
                << "chord " << Got.size();
            if (Previous && Chord.TonicTriad && Previous->Voices[0] % 12 == Chord.LeadingTone) {
                EXPECT_EQ(V[0], Previous->Voices[0] + 1) << "chord " << Got.size();
            }
            Previous = TVoicedChord{V, Chord};
            Got.push_back(V);
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
    const TVoicedChord Dominant{{67, 62, 59, 43}, ChordAt({"C", 5})}; // G: G4 D4 B3 G2
    const TFourPartChord Sixth = ChordAt({"C", 6});
    const TFourVoices Got = LeadVoices(Dominant, Sixth);
    const std::array<int, RuleCount> None{};
    EXPECT_EQ(Breaks(Dominant, Got, Sixth), None);
    bool RootDoubledPossible = false;
    for (const TFourVoices& V : AllVoicings(Sixth)) {
        if (Breaks(Dominant, V, Sixth) == None && Preferences(Dominant.Voices, V, Sixth)[1] == 0) {
            RootDoubledPossible = true;
        }
    }
    EXPECT_EQ(Preferences(Dominant.Voices, Got, Sixth)[1], RootDoubledPossible ? 0 : 1);
}

// The leader's choice against every voicing that keeps H1: one of them, and none breaks fewer
// rules (H1, then the grave ones, then the others) or as few and does better by the preferences.
void ExpectBestOf(const std::optional<TVoicedChord>& Previous, const TFourPartChord& Chord,
                  const std::vector<TFourVoices>& All) {
    const auto Rank = [&](const TFourVoices& V) {
        return std::make_pair(Weight(Breaks(Previous, V, Chord)),
                              Previous ? Preferences(Previous->Voices, V, Chord)
                                       : std::array<int, 5>{});
    };
    const TFourVoices Got = LeadVoices(Previous, Chord);
    ASSERT_NE(std::find(All.begin(), All.end(), Got), All.end()) << ::testing::PrintToString(Got);
    auto Best = Rank(Got);
    for (const TFourVoices& V : All) {
        Best = std::min(Best, Rank(V));
    }
    ASSERT_EQ(Rank(Got), Best) << ::testing::PrintToString(Got);
}

// From voicings of a chord in order, within three semitones of the voices' ranges (the leader
// must take any four notes it is given), to the next chord.
TEST(FourPart, FromVoicingsOfAChordToTheNextTheBestThereIs) {
    const std::pair<TStep, TStep> kPairs[] = {
        {{"C", 5}, {"C", 1}}, // the leading tone resolves
        {{"C", 4}, {"C", 5}}, // no common tone: parallels lie close
        {{"G", 1}, {"e", 5}}, // the bass a third up, not a sixth down
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

// Random voicings of random chords, mostly of the chord's own notes, now and then one off it,
// after random voicings of a chord of the same key or another.
TEST(VoiceRules, CountAndWeighEveryBreakAsTheContractDoes) {
    std::mt19937 Random(20261210);
    const char* kKeys[] = {"C", "a", "G", "e", "F", "d", "E♭", "c♯", "B", "g♯", "F♯", "b♭", "D♭"};
    const auto RandomChord = [&](const char* K) {
        return ChordAt({K, static_cast<std::int32_t>(1 + Random() % 7),
                        static_cast<TChordVariant>(Random() % 4)});
    };
    const auto RandomVoicing = [&](const TFourPartChord& C) {
        TFourVoices V{};
        for (int& Note : V) {
            do {
                Note = 40 + static_cast<int>(Random() % 40);
            } while (Random() % 8 != 0 && ChordToneOf(C, Note) < 0);
        }
        std::sort(V.rbegin(), V.rend()); // mostly in order, as a player's hands are
        std::swap(V[Random() % 4], V[Random() % 4]);
        return V;
    };
    std::array<int, RuleCount> Seen{};
    for (int Trial = 0; Trial < 20000; ++Trial) {
        const char* K = kKeys[Random() % std::size(kKeys)];
        const TFourPartChord Chord = RandomChord(K);
        const TFourPartChord Earlier = RandomChord(Random() % 2 ? K : kKeys[Random() % 13]);
        std::optional<TVoicedChord> Before;
        if (Trial % 8 != 0) {
            Before = TVoicedChord{RandomVoicing(Earlier), Earlier};
        }
        const TFourVoices V = RandomVoicing(Chord);
        const std::vector<TVoiceBreak> Found = VoiceBreaks(Before, V, Chord);
        std::array<int, RuleCount> Got{};
        for (const TVoiceBreak& Break : Found) {
            ++Got[Break.Rule];
        }
        const std::array<int, RuleCount> Want = Breaks(Before, V, Chord);
        ASSERT_EQ(Got, Want) << "trial " << Trial;
        ASSERT_EQ(WeightsOf(Found), Weight(Want)) << "trial " << Trial;
        std::transform(Seen.begin(), Seen.end(), Want.begin(), Seen.begin(), std::plus<>());
    }
    for (std::size_t Rule = 0; Rule < RuleCount; ++Rule) {
        EXPECT_GT(Seen[Rule], 20) << "rule " << Rule << " seldom broken: the trials miss it";
    }
}

// Textbook faults, each named with its voices: the step in a key from a chord (degree 0:
// none) to the next.
struct TMove {
    const char* Key;
    std::int32_t From;
    TFourVoices Before;
    std::int32_t To;
    TFourVoices After;
};

struct TFault {
    const char* Name;
    TMove Move;
    std::vector<TVoiceBreak> Want;
};

const TFault kFaults[] = {
    {"parallel fifths, soprano and bass",
     {"C", 4, {72, 69, 65, 53}, 5, {74, 71, 62, 55}},
     {{vrParallel, VoicePair(vcSoprano, vcBass)}}},
    {"the leading tone doubled",
     {"C", 0, {}, 5, {74, 71, 59, 43}},
     {{vrLeadingTone, VoicePair(vcAlto, vcTenor)}}},
    {"F–G♯ in the alto, II–V in A minor",
     {"a", 2, {74, 65, 59, 47}, 5, {71, 68, 59, 52}},
     {{vrAugmentedStep, VoiceBit(vcAlto)}}},
    {"the soprano under the alto",
     {"C", 0, {}, 1, {64, 67, 60, 48}},
     {{vrOrder, VoicePair(vcSoprano, vcAlto)}}},
    {"a hidden octave, the soprano leaping",
     {"C", 1, {64, 60, 55, 48}, 5, {67, 62, 59, 55}},
     {{vrHiddenPerfect, VoicePair(vcSoprano, vcBass)}}},
    {"V as a six-four chord, the soprano too high, the alto far above the tenor",
     {"C", 0, {}, 5, {83, 67, 55, 50}},
     {{vrRootPosition, VoiceBit(vcBass)},
      {vrRange, VoiceBit(vcSoprano)},
      {vrSpacing, VoicePair(vcSoprano, vcAlto)}}},
};

TEST(VoiceRules, NameTextbookFaultsAndTheirVoices) {
    for (const TFault& f : kFaults) {
        SCOPED_TRACE(f.Name);
        const TMove& m = f.Move;
        std::optional<TVoicedChord> Before;
        if (m.From != 0) {
            Before = TVoicedChord{m.Before, ChordAt({m.Key, m.From})};
        }
        EXPECT_EQ(VoiceBreaks(Before, m.After, ChordAt({m.Key, m.To})), f.Want);
    }
}

} // namespace
