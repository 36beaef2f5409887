// A chord held through the sound server, and the silences that reach its sink.
//   held_chord play SECONDS FRAMES [DOUBLINGS]
//                                   plays C major (the strings) through PulseAudio for
//                                   SECONDS, the server's buffer starting at FRAMES and
//                                   doubling at most DOUBLINGS times (the program's own
//                                   setting without them); prints where the buffer ended and
//                                   how often the server ran dry
//   held_chord count FILE.wav        counts the silent runs of the held chord in a recording
// bench/held_chord.sh runs both beside the fluidsynth command line, the other core busy.
#include "harmony/calculator.h"
#include "midi/fluidsynth_backend.h"
#include "midi/instrument.h"
#include "midi/pulse_output.h"
#include "tests/midi/wav_file.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr double kRate = 44100;
// A silence this long inside a held chord is a dropout: strings never rest on zero for
// 0.7 ms, and the sound server fills what a stream missed with zeros.
constexpr std::size_t kShortestRun = 32;
constexpr float kSilent = 2.0f / 32768;
constexpr float kLoud = 0.01f;

int Play(int Seconds, TFluidSynthBackend::TDriverSetup Setup) {
    TFluidSynthBackend Synth(TFluidSynthBackend::TOutput::SoundServer, {Setup});
    TInstrument Instrument(Synth);
    if (!Instrument.Open(0)) {
        std::fprintf(stderr, "the synth did not open through PulseAudio\n");
        return 1;
    }
    Instrument.SetVoice(49);
    TChordVariant Variant = cvNormal;
    Instrument.PlayChord(TCalculatorEx::ChordOf(Variant, {{'C', 0}, mdMajor}, 1));
    std::this_thread::sleep_for(std::chrono::seconds(Seconds));
    Instrument.SoundOff();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (const TPulseOutput* Output = Synth.PulseOutput()) {
        std::fprintf(stderr, "  buffer %d..%d frames, ended at %d, the server ran dry %d times\n",
                     Setup.PeriodSize, Setup.PeriodSize << Setup.Periods, Output->BufferFrames(),
                     Output->Underflows());
    }
    return 0;
}

int Count(const std::string& Path) {
    const std::vector<float> Left = ReadWavLeft(Path);
    std::size_t Onset = 0;
    while (Onset < Left.size() && std::fabs(Left[Onset]) < kLoud) {
        ++Onset;
    }
    std::size_t Last = Left.size();
    while (Last > Onset && std::fabs(Left[Last - 1]) < kLoud) {
        --Last;
    }
    // The attack and the release are left out.
    const std::size_t Begin = Onset + static_cast<std::size_t>(0.1 * kRate);
    const std::size_t End = Last - std::min(Last, static_cast<std::size_t>(0.4 * kRate));
    std::size_t Runs = 0;
    double Longest = 0;
    for (std::size_t i = Begin; i < End;) {
        std::size_t j = i;
        while (j < End && std::fabs(Left[j]) <= kSilent) {
            ++j;
        }
        if (j - i >= kShortestRun) {
            ++Runs;
            Longest = std::max(Longest, (j - i) / kRate * 1000);
        }
        i = std::max(i + 1, j);
    }
    const double Held = End > Begin ? (End - Begin) / kRate : 0;
    std::printf("held %.1f s, %zu silent runs of 0.7 ms or more, the longest %.1f ms\n", Held, Runs,
                Longest);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string Mode = argc > 1 ? argv[1] : "";
    if (Mode == "play" && (argc == 4 || argc == 5)) {
        TFluidSynthBackend::TDriverSetup Setup = TFluidSynthBackend::DefaultDrivers()[1];
        Setup.PeriodSize = std::atoi(argv[3]);
        Setup.Periods = argc == 5 ? std::atoi(argv[4]) : Setup.Periods;
        return Play(std::atoi(argv[2]), Setup);
    }
    if (Mode == "count" && argc == 3) {
        return Count(argv[2]);
    }
    std::fprintf(stderr,
                 "usage: held_chord play SECONDS FRAMES [DOUBLINGS] | held_chord count FILE.wav\n");
    return 2;
}
