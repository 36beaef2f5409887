// Drawing a dictation question, beside the key search that a chord entered by name runs, in
// one program: the question is drawn when the student asks for the next one.
#include "harmony/calculator.h"
#include "practice/answer_keys.h"
#include "practice/question.h"

#include <benchmark/benchmark.h>

namespace {

// The key search at its slowest, as harmony_bench measures it: no hit in either phase, all 22
// neighbouring keys tried with both chords.
void BM_FindTonalityNoHit(benchmark::State& State) {
    const TChord Previous{{'C', 0}, {{{0, 0}, {2, 0}, {4, -1}, EndOfTones, {0, 0}}}};
    const TChord Named{{'A', 1}, {{{0, 0}, {2, 0}, {4, -1}, EndOfTones, {0, 0}}}};
    for (auto _ : State) {
        TTonality Key{{'C', 0}, mdMajor};
        std::int32_t Counter = 1;
        benchmark::DoNotOptimize(TCalculatorEx::FindTonality(Key, Counter, Previous, Named));
        benchmark::DoNotOptimize(Key);
    }
}
BENCHMARK(BM_FindTonalityNoHit);

// A new seed each time: the lesson's keys, lengths and modulations all come round.
void BM_BuiltInQuestion(benchmark::State& State) {
    const auto Lesson = static_cast<std::int32_t>(State.range(0));
    std::uint32_t Seed = 0;
    for (auto _ : State) {
        benchmark::DoNotOptimize(BuiltInQuestion(Lesson, Seed++));
    }
}
BENCHMARK(BM_BuiltInQuestion)->Arg(7)->Arg(6);

// Eight candidates drawn and weighed.
void BM_FocusedQuestion(benchmark::State& State) {
    const TDegreeWeights Weights{0, 3, 0, 1, 2, 0, 1};
    std::uint32_t Seed = 0;
    for (auto _ : State) {
        benchmark::DoNotOptimize(FocusedQuestion(7, Seed++, Weights));
    }
}
BENCHMARK(BM_FocusedQuestion);

void BM_AnswerKeys(benchmark::State& State) {
    const TQuestion Question = BuiltInQuestion(6, 1);
    for (auto _ : State) {
        benchmark::DoNotOptimize(AnswerKeys(Question));
    }
}
BENCHMARK(BM_AnswerKeys);

} // namespace

BENCHMARK_MAIN();
