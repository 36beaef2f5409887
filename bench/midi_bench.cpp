#include "harmony/calculator.h"
#include "midi/instrument.h"

#include <benchmark/benchmark.h>

namespace {

// A back end that only counts: what is measured is the instrument's own work from PlayChord
// to the last message handed over.
class TCountingBackend : public TMidiBackend {
public:
    int DeviceCount() override { return 1; }
    std::optional<std::string> DeviceName(int) override { return "counter"; }
    std::optional<TMidiHandle> Open(int) override { return 1; }
    void Send(TMidiHandle, std::uint32_t Message) override {
        benchmark::DoNotOptimize(Message);
        ++Messages;
    }
    void Close(TMidiHandle) override {}
    long Messages = 0;
};

void BM_PlayChord(benchmark::State& State) {
    TCountingBackend Backend;
    TInstrument Instrument(Backend);
    Instrument.Open(0);
    TChordVariant Variant = cvNeapolitan;
    const TChord Chord = TCalculatorEx::ChordOf(Variant, {{'A', 0}, mdMinor}, 2);
    for (auto _ : State) {
        Instrument.PlayChord(Chord);
    }
    State.counters["messages"] = benchmark::Counter(static_cast<double>(Backend.Messages),
                                                    benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PlayChord);

} // namespace

BENCHMARK_MAIN();
