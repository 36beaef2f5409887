// Replaying a long progression read from a file, one Enter at a time, through the key-script
// runner's code path: the model, its display lines and the recording MIDI back end.
#include "progression/progression_file.h"
#include "score/midi_file.h"
#include "score/music_xml.h"
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

// Each iteration is a whole replay: Home, then one Enter per entry, the lines growing to full
// length. Items are Enters, so the rate gives the mean step.
void Replay(benchmark::State& State, bool Transcript, const char* Voicing = "voicing block") {
    TNullBuffer Null;
    std::ostream Out(&Null);
    TScriptRunner Runner(Out);
    Runner.Start();
    Runner.RunQuietly(Voicing);
    const auto Entries = static_cast<int>(State.range(0));
    const std::string Path = WriteProgression(Entries);
    Runner.RunQuietly("read " + Path);
    unlink(Path.c_str());
    for (auto _ : State) {
        Runner.RunQuietly("down 36 -");
        for (int i = 0; i < Entries; ++i) {
            if (Transcript) {
                Runner.Run("down 13 -");
            } else {
                Runner.RunQuietly("down 13 -");
            }
        }
    }
    State.SetItemsProcessed(State.iterations() * Entries);
    State.counters["line1_columns"] = static_cast<double>(Runner.Model().Lines().Width(1));
}

void BM_ReplayStep(benchmark::State& State) {
    Replay(State, false);
}
void BM_ReplayStepWithTranscript(benchmark::State& State) {
    Replay(State, true);
}

// Each Enter led as four voices from the chord before: the key event's whole work headless.
void BM_ReplayStepFourPart(benchmark::State& State) {
    Replay(State, false, "voicing four-part");
}

BENCHMARK(BM_ReplayStep)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_ReplayStepFourPart)->Arg(100)->Arg(10000);
// The transcript prints the whole display after each step: it grows with the line, so the
// long line is left out.
BENCHMARK(BM_ReplayStepWithTranscript)->Arg(100)->Arg(1000);

// A chord placed at the end of 10,000 entries: played in (three note-ons, the 40 ms that settle
// them, the chord taken, key search and display; the releases) beside its letter key typed.
void PlaceAtTheEnd(benchmark::State& State, const std::vector<std::string>& Commands) {
    TNullBuffer Null;
    std::ostream Out(&Null);
    TScriptRunner Runner(Out);
    Runner.Start();
    const std::string Path = WriteProgression(10000);
    Runner.RunQuietly("read " + Path);
    unlink(Path.c_str());
    for (int i = 0; i < 10000; ++i) {
        Runner.RunQuietly("down 13 -");
    }
    for (auto _ : State) {
        for (const std::string& Command : Commands) {
            Runner.RunQuietly(Command);
        }
    }
    State.counters["entries"] = static_cast<double>(Runner.Model().GetProgression().size());
}

void BM_ChordPlayedIn(benchmark::State& State) {
    PlaceAtTheEnd(State, {"midi-in 90 37 40", "midi-in 90 3B 40", "midi-in 90 3E 40", "wait 40",
                          "midi-in 80 37 00", "midi-in 80 3B 00", "midi-in 80 3E 00"});
}
BENCHMARK(BM_ChordPlayedIn)->Unit(benchmark::kMicrosecond);

void BM_ChordTyped(benchmark::State& State) {
    PlaceAtTheEnd(State, {"down 71 -", "up 71 -"});
}
BENCHMARK(BM_ChordTyped)->Unit(benchmark::kMicrosecond);

// The exports of a whole progression of 10,000 entries, four voices led through it.
std::vector<TProgressionEntry> LongProgression() {
    const std::string Path = WriteProgression(10000);
    std::vector<TProgressionEntry> Entries = *ReadProgressionFile(Path);
    unlink(Path.c_str());
    return Entries;
}

void BM_ExportMidiFile(benchmark::State& State) {
    const std::vector<TProgressionEntry> Entries = LongProgression();
    for (auto _ : State) {
        benchmark::DoNotOptimize(StandardMidiFile(Entries, 49, TVoicing::FourPart));
    }
}
BENCHMARK(BM_ExportMidiFile)->Unit(benchmark::kMillisecond);

void BM_ExportMusicXml(benchmark::State& State) {
    const std::vector<TProgressionEntry> Entries = LongProgression();
    for (auto _ : State) {
        benchmark::DoNotOptimize(MusicXmlScore(Entries, "2026-12-09"));
    }
}
BENCHMARK(BM_ExportMusicXml)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
