#include "harmony/voice_rules.h"

#include "tests/harmony/harmony_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

namespace {

TFourPartChord ChordIn(TTonality K, std::int32_t Degree, TChordVariant Variant = cvNormal) {
    return FourPartChordOf(TCalculatorEx::ChordOf(Variant, K, Degree), K);
}

// The hard rules written from the contract alone, counted per rule as the leader weighs
// them, indexed by TVoiceRule. H1 counts each note off the chord (the bass off the root
// among them) and each missing pitch class.
std::array<int, RuleCount> ContractCounts(const std::optional<TVoicedChord>& Before,
                                          const TFourVoices& V, const TFourPartChord& C) {
    const auto Tone = [](const TFourPartChord& Of, int Note) {
        return std::find(Of.PitchClasses.begin(), Of.PitchClasses.end(), Note % 12) -
               Of.PitchClasses.begin(); // 3: none
    };
    std::array<int, RuleCount> N{};
    const int S = V[0], A = V[1], T = V[2], B = V[3];
    for (int v = 0; v < 4; ++v) {
        N[vrRootPosition] += Tone(C, V[v]) == 3 || (v == 3 && Tone(C, B) != 0);
    }
    for (int k = 0; k < 3; ++k) {
        N[vrRootPosition] +=
            std::none_of(V.begin(), V.end(), [&](int n) { return Tone(C, n) == k; });
    }
    const int Low[4] = {60, 55, 48, 40}, High[4] = {79, 74, 67, 62};
    for (int v = 0; v < 4; ++v) {
        N[vrRange] += V[v] < Low[v] || V[v] > High[v];
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
    }
    for (int i = 0; i < 3; ++i) {
        N[vrOverlap] += V[i] < P[i + 1] || V[i + 1] > P[i];
    }
    const int dS = S - P[0], dB = B - P[3], Outer = std::abs(S - B) % 12;
    N[vrHiddenPerfect] = ((dS > 0 && dB > 0) || (dS < 0 && dB < 0)) && (Outer == 0 || Outer == 7) &&
                         std::abs(dS) > 2;
    for (int v = 0; v < 4; ++v) {
        const auto From = Tone(Before->Chord, P[v]), To = Tone(C, V[v]);
        if (P[v] == V[v] || From == 3 || To == 3) {
            continue;
        }
        const TNoteName F = Before->Chord.Names[From], G = C.Names[To];
        const TInterval Up =
            P[v] < V[v] ? TCalculator::IntervalFromTo(F, G) : TCalculator::IntervalFromTo(G, F);
        N[vrAugmentedStep] += Up == TInterval{1, 1} || Up == TInterval{3, 0};
    }
    return N;
}

std::array<int, RuleCount> CountsOf(const std::vector<TVoiceBreak>& Breaks) {
    std::array<int, RuleCount> N{};
    for (const TVoiceBreak& Break : Breaks) {
        ++N[Break.Rule];
    }
    return N;
}

// Random voicings of random chords, mostly of the chord's own notes, now and then one off it,
// after random voicings of a chord of the same key or another.
TEST(VoiceRules, CountEveryBreakAsTheContractDoes) {
    std::mt19937 Random(20261210);
    const char* kKeys[] = {"C", "a", "G", "e", "F", "d", "E♭", "c♯", "B", "g♯", "F♯", "b♭", "D♭"};
    const auto RandomChord = [&](const char* K) {
        return ChordIn(Key(K), static_cast<std::int32_t>(1 + Random() % 7),
                       static_cast<TChordVariant>(Random() % 4));
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
        const std::array<int, RuleCount> Want = ContractCounts(Before, V, Chord);
        ASSERT_EQ(CountsOf(VoiceBreaks(Before, V, Chord)), Want) << "trial " << Trial;
        std::transform(Seen.begin(), Seen.end(), Want.begin(), Seen.begin(), std::plus<>());
    }
    for (std::size_t Rule = 0; Rule < RuleCount; ++Rule) {
        EXPECT_GT(Seen[Rule], 20) << "rule " << Rule << " seldom broken: the trials miss it";
    }
}

// Textbook faults, each named with its voices: the step in a key from a chord (degree 0:
// none) to the next.
struct TStep {
    const char* Key;
    std::int32_t From;
    TFourVoices Before;
    std::int32_t To;
    TFourVoices After;
};

struct TFault {
    const char* Name;
    TStep Step;
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
    {"the alto under the tenor's last note",
     {"C", 1, {72, 67, 64, 48}, 4, {69, 57, 48, 41}},
     {{vrOverlap, VoicePair(vcAlto, vcTenor)}}},
    {"V as a six-four chord, the soprano too high, the alto far above the tenor",
     {"C", 0, {}, 5, {83, 67, 55, 50}},
     {{vrRootPosition, VoiceBit(vcBass)},
      {vrRange, VoiceBit(vcSoprano)},
      {vrSpacing, VoicePair(vcSoprano, vcAlto)}}},
};

TEST(VoiceRules, NameTextbookFaultsAndTheirVoices) {
    for (const TFault& f : kFaults) {
        SCOPED_TRACE(f.Name);
        const TStep& s = f.Step;
        std::optional<TVoicedChord> Before;
        if (s.From != 0) {
            Before = TVoicedChord{s.Before, ChordIn(Key(s.Key), s.From)};
        }
        EXPECT_EQ(VoiceBreaks(Before, s.After, ChordIn(Key(s.Key), s.To)), f.Want);
    }
}

TEST(VoiceRules, WeighParallelsCrossingAndADoubledLeadingToneGrave) {
    const std::vector<TVoiceBreak> Breaks{
        {vrParallel, 0}, {vrOrder, 0},   {vrLeadingTone, 0},   {vrRange, 0},
        {vrSpacing, 0},  {vrOverlap, 0}, {vrHiddenPerfect, 0}, {vrAugmentedStep, 0}};
    EXPECT_EQ(WeightsOf(Breaks), (std::array<int, WeightCount>{0, 3, 5}));
}

} // namespace
