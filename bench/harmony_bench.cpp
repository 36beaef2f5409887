#include "harmony/calculator.h"

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

} // namespace

BENCHMARK_MAIN();
