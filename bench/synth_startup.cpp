// Start-up figures of the built-in synthesizer: SoundFont load, first sound, memory, and the
// buffering of each audio driver that can be opened here. A timing program, not a test.
#include "harmony/calculator.h"
#include "midi/fluidsynth_backend.h"
#include "midi/instrument.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double MillisecondsSince(TClock::time_point Start) {
    return std::chrono::duration<double, std::milli>(TClock::now() - Start).count();
}

long ResidentKilobytes() {
    std::ifstream Status("/proc/self/status");
    for (std::string Line; std::getline(Status, Line);) {
        if (Line.rfind("VmRSS:", 0) == 0) {
            return std::stol(Line.substr(6));
        }
    }
    return -1;
}

TChord CMajor() {
    TChordVariant Variant = cvNormal;
    return TCalculatorEx::ChordOf(Variant, {{'C', 0}, 0}, 1);
}

void OfflineFigures() {
    const long Before = ResidentKilobytes();
    auto Start = TClock::now();
    TFluidSynthBackend Synth(TFluidSynthBackend::TOutput::Offline);
    TInstrument Instrument(Synth);
    if (!Instrument.Open(0)) {
        std::printf("no SoundFont: nothing to measure\n");
        return;
    }
    std::printf("SoundFont %s\n", TFluidSynthBackend::FindSoundFont()->c_str());
    std::printf("load (settings, synth, SoundFont): %.1f ms, resident memory +%ld kB (%ld kB)\n",
                MillisecondsSince(Start), ResidentKilobytes() - Before, ResidentKilobytes());
    Start = TClock::now();
    Instrument.SetVoice(49);
    std::printf("program change 48: %.1f ms\n", MillisecondsSince(Start));

    Start = TClock::now();
    Instrument.PlayChord(CMajor());
    const double Play = MillisecondsSince(Start);
    // Render 64-frame blocks until the first one that is not silent.
    std::vector<float> Left(64), Right(64);
    int Blocks = 0;
    for (bool Silent = true; Silent && Blocks < 1000; ++Blocks) {
        Synth.Render(Left.data(), Right.data(), 64);
        for (const float Sample : Left) {
            Silent = Silent && std::fabs(Sample) < 1e-4f;
        }
    }
    std::printf("first chord: PlayChord %.1f ms (samples loaded on demand), first sound in "
                "block %d of 64 frames, %.1f ms in all; resident memory %ld kB\n",
                Play, Blocks, MillisecondsSince(Start), ResidentKilobytes());
}

// Runs a command and returns what it printed.
std::string Output(const std::string& Command) {
    std::string Text;
    if (FILE* Pipe = popen(Command.c_str(), "r")) {
        char Buffer[512];
        while (std::fgets(Buffer, sizeof Buffer, Pipe) != nullptr) {
            Text += Buffer;
        }
        pclose(Pipe);
    }
    return Text;
}

void DriverFigures(const TFluidSynthBackend::TDriverSetup& Setup) {
    const auto Start = TClock::now();
    TFluidSynthBackend Synth(TFluidSynthBackend::TOutput::SoundServer, {Setup});
    TInstrument Instrument(Synth);
    if (!Instrument.Open(0)) {
        std::printf("%-10s does not open here\n", Setup.Name.c_str());
        return;
    }
    std::printf("%-10s opened in %.1f ms with period-size %d, periods %d\n", Setup.Name.c_str(),
                MillisecondsSince(Start), Setup.PeriodSize, Setup.Periods);
    Instrument.PlayChord(CMajor());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // What the sound server reports of our stream, where it is PulseAudio.
    const std::string Report =
        Output("pactl list sink-inputs 2>/dev/null | grep -E 'Buffer Latency|Sink Latency'");
    if (!Report.empty()) {
        std::printf("%s", Report.c_str());
    }
    const std::string Jack = Output("jack_bufsize 2>/dev/null");
    if (Setup.Name == "jack" && !Jack.empty()) {
        std::printf("\tJACK server: %s", Jack.c_str());
    }
}

} // namespace

int main(int Count, char** Arguments) {
    OfflineFigures();
    std::vector<TFluidSynthBackend::TDriverSetup> Drivers = TFluidSynthBackend::DefaultDrivers();
    if (Count > 1) { // one driver with a period size of one's own: synth_startup pulseaudio 256
        Drivers = {{Arguments[1], Count > 2 ? std::stoi(Arguments[2]) : 512, 2}};
    }
    for (const auto& Setup : Drivers) {
        DriverFigures(Setup);
    }
}
