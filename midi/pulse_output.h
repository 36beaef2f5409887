#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

struct pa_simple;

// The synth's sound into the desktop's sound server (PulseAudio, or PipeWire's PulseAudio
// service), under the program's own name: the mixer lists the client and its stream as
// kClientName. A thread renders one period of interleaved stereo float samples at a time and
// hands it to the server, which buffers no more than that period.
class TPulseOutput {
public:
    // Fills Frames frames of interleaved stereo samples.
    using TRender = std::function<void(float* Interleaved, int Frames)>;

    // Connects to the default server and starts playing; nullptr when no server answers.
    static std::unique_ptr<TPulseOutput> Open(TRender Render, int SampleRate, int PeriodFrames);
    ~TPulseOutput();
    TPulseOutput(const TPulseOutput&) = delete;
    TPulseOutput& operator=(const TPulseOutput&) = delete;

private:
    using TConnection = std::unique_ptr<pa_simple, void (*)(pa_simple*)>;
    TPulseOutput(TConnection Connection, TRender Render, int PeriodFrames);
    void Play();

    TConnection Connection;
    TRender Render;
    int PeriodFrames;
    std::atomic<bool> Stopping{false};
    std::thread Player;
};
