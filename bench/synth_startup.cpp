// Start-up figures of the built-in synthesizer: SoundFont load, first sound, memory, and the
// buffering of each audio driver that can be opened here. A timing program, not a test.
#include "harmony/calculator.h"
#include "midi/fluidsynth_backend.h"
#include "midi/instrument.h"

#include <unistd.h>

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
    return TCalculatorEx::ChordOf(Variant, {{'C', 0}, mdMajor}, 1);
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

// The block of `pactl list sink-inputs` that belongs to this process, if any.
std::string OwnSinkInput() {
    const std::string All = Output("pactl list sink-inputs 2>/dev/null");
    const std::string Mine = "application.process.id = \"" + std::to_string(getpid()) + "\"";
    std::size_t Start = 0;
    while (Start < All.size()) {
        std::size_t End = All.find("Sink Input #", Start + 1);
        End = End == std::string::npos ? All.size() : End;
        const std::string Block = All.substr(Start, End - Start);
        if (Block.find(Mine) != std::string::npos) {
            return Block;
        }
        Start = End;
    }
    return {};
}

// A "... Latency: N usec" figure of a sink-input block, in milliseconds.
double LatencyOf(const std::string& Block, const std::string& Label) {
    const std::size_t At = Block.find(Label + ": ");
    return At == std::string::npos ? 0 : std::stod(Block.substr(At + Label.size() + 2)) / 1000;
}

// One driver alone: the SoundFont is loaded by a first open, and the driver is timed on a
// second. The latency is the stream's own, plus the period the synth renders at a time.
void DriverFigures(const TFluidSynthBackend::TDriverSetup& Setup) {
    TFluidSynthBackend Synth(TFluidSynthBackend::TOutput::SoundServer, {Setup});
    TInstrument Instrument(Synth);
    if (!Instrument.Open(0)) {
        std::printf("%-10s does not open here\n", Setup.Name.c_str());
        return;
    }
    Instrument.Open(-1); // closes, and opens again with the synth loaded
    const auto Start = TClock::now();
    Instrument.Open(0);
    const double Opened = MillisecondsSince(Start);
    Instrument.SetVoice(49);
    Instrument.PlayChord(CMajor());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double Period = Setup.PeriodSize * 1000.0 / Synth.SampleRate();
    std::printf("%-10s driver started in %.1f ms; period-size %d (%.1f ms rendered at a time), "
                "periods %d\n",
                Setup.Name.c_str(), Opened, Setup.PeriodSize, Period, Setup.Periods);
    const std::string Stream = OwnSinkInput();
    if (!Stream.empty()) {
        const double Buffer = LatencyOf(Stream, "Buffer Latency");
        const double Sink = LatencyOf(Stream, "Sink Latency");
        std::printf("\tPulseAudio: buffer %.1f ms + sink %.1f ms + render period %.1f ms = "
                    "%.1f ms\n",
                    Buffer, Sink, Period, Buffer + Sink + Period);
    }
    const std::string Jack = Output("jack_bufsize 2>/dev/null");
    if (Setup.Name == "jack" && !Jack.empty()) {
        std::printf("\tJACK server (renders in its own period): %s", Jack.c_str());
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
