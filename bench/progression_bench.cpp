// Replaying a long progression read from a file, one Enter at a time, through the key-script
// runner's code path: the model, its display lines and the recording MIDI back end.
#include "tools/script_runner.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <fstream>
#include <ostream>
#include <streambuf>
#include <string>

namespace {

// A progression that changes key every few chords, so that replays write pivot labels.
const char* const kPattern[] = {"C 0010", "C 0040", "C 0050", "C 0010",
                                "G 0010", "G 0050", "A 0150", "A 0110"};

std::string WriteProgression(int Entries) {
    const std::string Path =
        "/tmp/kadenzo-bench-" + std::to_string(getpid()) + "-" + std::to_string(Entries);
    std::ofstream File(Path, std::ios::binary);
    for (int i = 0; i < Entries; ++i) {
        File << kPattern[i % 8] << "\r\n";
    }
    return Path;
}

class TNullBuffer : public std::streambuf {
protected:
    int overflow(int Character) override { return Character; }
    std::streamsize xsputn(const char*, std::streamsize Count) override { return Count; }
};

// Each iteration is one Enter; at the end of the progression Home starts the replay again
// (not timed), so the figure is the mean step over whole replays, lines growing to full length.
void Replay(benchmark::State& State, bool Transcript) {
    TNullBuffer Null;
    std::ostream Out(&Null);
    TScriptRunner Runner(Out);
    Runner.Start();
    const auto Entries = static_cast<int>(State.range(0));
    const std::string Path = WriteProgression(Entries);
    Runner.RunQuietly("read " + Path);
    unlink(Path.c_str());
    for (auto _ : State) {
        if (Runner.Model().GetCursor() >= Entries) {
            State.PauseTiming();
            Runner.RunQuietly("down 36 -");
            State.ResumeTiming();
        }
        if (Transcript) {
            Runner.Run("down 13 -");
        } else {
            Runner.RunQuietly("down 13 -");
        }
    }
    State.counters["line1_columns"] = static_cast<double>(Runner.Model().Lines().Width(1));
}

void BM_ReplayStep(benchmark::State& State) {
    Replay(State, false);
}
void BM_ReplayStepWithTranscript(benchmark::State& State) {
    Replay(State, true);
}

BENCHMARK(BM_ReplayStep)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_ReplayStepWithTranscript)->Arg(100)->Arg(1000)->Arg(10000);

} // namespace

BENCHMARK_MAIN();
