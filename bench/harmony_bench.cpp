#include "harmony/calculator.h"
#include "harmony/four_part.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

const TTonality kCMajor{{'C', 0}, mdMajor};

TChord MajorTriad(TNoteName Root) {
    return {Root, {{{0, 0}, {2, 0}, {4, -1}, EndOfTones, {0, 0}}}};
}

// The worst case of the key search: no hit in either phase, so all 22 neighbouring keys are
// tried with both chords. (A♯ major is no chord of any key near C major.)
void BM_FindTonalityNoHit(benchmark::State& State) {
    const TChord Previous = MajorTriad({'C', 0});
    const TChord Named = MajorTriad({'A', 1});
    for (auto _ : State) {
        TTonality Key = kCMajor;
        std::int32_t Counter = 1;
        benchmark::DoNotOptimize(TCalculatorEx::FindTonality(Key, Counter, Previous, Named));
        benchmark::DoNotOptimize(Key);
    }
}
BENCHMARK(BM_FindTonalityNoHit);

// A full cycle through the five readings of B♭ major after F major in C major.
void BM_FindTonalityCycle(benchmark::State& State) {
    const TChord Previous = MajorTriad({'F', 0});
    const TChord Named = MajorTriad({'B', -1});
    for (auto _ : State) {
        std::int32_t Counter = 1;
        for (int Call = 0; Call < 5; ++Call) {
            TTonality Key = kCMajor;
            benchmark::DoNotOptimize(TCalculatorEx::FindTonality(Key, Counter, Previous, Named));
        }
    }
}
BENCHMARK(BM_FindTonalityCycle);

// The slowest lookup: a chord the key does not hold tries every degree and variant.
void BM_FindDegreeMiss(benchmark::State& State) {
    const TChord Chord = MajorTriad({'A', 1});
    for (auto _ : State) {
        TChordVariant Variant = cvNormal;
        benchmark::DoNotOptimize(TCalculatorEx::FindDegree(kCMajor, Chord, Variant));
    }
}
BENCHMARK(BM_FindDegreeMiss);

// Degree 7 cannot hold a major triad in either mode: both modes are tried and fail.
void BM_Reinterpret(benchmark::State& State) {
    for (auto _ : State) {
        for (std::int32_t Target = 1; Target <= 7; ++Target) {
            TTonality Key = kCMajor;
            TChordVariant Variant = cvNormal;
            benchmark::DoNotOptimize(TCalculatorEx::Reinterpret(Key, 4, Target, Variant));
        }
    }
}
BENCHMARK(BM_Reinterpret);

void BM_ChordName(benchmark::State& State) {
    TChordVariant Variant = cvNeapolitan;
    const TChord Chord = TCalculatorEx::ChordOf(Variant, {{'B', -1}, mdMinor}, 2);
    for (auto _ : State) {
        benchmark::DoNotOptimize(TCalculatorEx::ChordName(Chord));
    }
}
BENCHMARK(BM_ChordName);

// Every chord of every key (each degree and each variant that applies), as the voice leader
// sees it.
std::vector<TFourPartChord> AllChords() {
    std::vector<TFourPartChord> Chords;
    for (const char Letter : std::string("CDEFGAB")) {
        for (std::int32_t Accidental = -1; Accidental <= 1; ++Accidental) {
            for (const TMode Mode : {mdMajor, mdMinor}) {
                const TTonality Key{{Letter, Accidental}, Mode};
                for (std::int32_t Degree = 1; Degree <= 7; ++Degree) {
                    for (TChordVariant Variant = cvNormal; Variant <= cvNeapolitan; ++Variant) {
                        TChordVariant Kept = Variant;
                        const TChord Chord = TCalculatorEx::ChordOf(Kept, Key, Degree);
                        if (Kept == Variant) {
                            Chords.push_back(FourPartChordOf(Chord, Key));
                        }
                    }
                }
            }
        }
    }
    return Chords;
}

// The slowest step among all pairs of chords, each from its first chord's opening voicing:
// found by timing every pair (the best of three, against noise), then measured on its own.
void BM_FourPartWorstStep(benchmark::State& State) {
    static const auto Worst = [] {
        const std::vector<TFourPartChord> Chords = AllChords();
        std::pair<TVoicedChord, TFourPartChord> Slowest{};
        auto Longest = std::chrono::nanoseconds::zero();
        for (const TFourPartChord& From : Chords) {
            const TVoicedChord Previous{LeadVoices(std::nullopt, From), From};
            for (const TFourPartChord& To : Chords) {
                auto Took = std::chrono::steady_clock::duration::max();
                for (int Try = 0; Try < 3; ++Try) {
                    const auto Start = std::chrono::steady_clock::now();
                    benchmark::DoNotOptimize(LeadVoices(Previous, To));
                    Took = std::min(Took, std::chrono::steady_clock::now() - Start);
                }
                if (Took > Longest) {
                    Longest = Took;
                    Slowest = {Previous, To};
                }
            }
        }
        return Slowest;
    }();
    for (auto _ : State) {
        benchmark::DoNotOptimize(LeadVoices(Worst.first, Worst.second));
    }
}
BENCHMARK(BM_FourPartWorstStep)->Unit(benchmark::kMicrosecond);

// A step that keeps every rule: V to I in C major.
void BM_FourPartCadence(benchmark::State& State) {
    TChordVariant Variant = cvNormal;
    const TFourPartChord Dominant =
        FourPartChordOf(TCalculatorEx::ChordOf(Variant, kCMajor, 5), kCMajor);
    const TFourPartChord Tonic =
        FourPartChordOf(TCalculatorEx::ChordOf(Variant, kCMajor, 1), kCMajor);
    const TVoicedChord Previous{LeadVoices(std::nullopt, Dominant), Dominant};
    for (auto _ : State) {
        benchmark::DoNotOptimize(LeadVoices(Previous, Tonic));
    }
}
BENCHMARK(BM_FourPartCadence)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
