#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// The synth's sound into the desktop's sound server (PulseAudio, or PipeWire's PulseAudio
// service), under the program's own name: the mixer lists the client and its stream as
// "Kadenzo". A thread renders one period of interleaved stereo float samples at a time and
// hands it to the server, which buffers no more than that period.
class TPulseOutput {
public:
    // Fills Frames frames of interleaved stereo samples.
    using TRender = std::function<void(float* Interleaved, int Frames)>;

    static constexpr const char* kName = "Kadenzo";

    // Connects to the default server and starts playing; nullptr when no server answers.
    static std::unique_ptr<TPulseOutput> Open(TRender Render, int SampleRate, int PeriodFrames);
    ~TPulseOutput();
    TPulseOutput(const TPulseOutput&) = delete;
    TPulseOutput& operator=(const TPulseOutput&) = delete;

private:
    struct TConnection;
    TPulseOutput(std::unique_ptr<TConnection> Connection, TRender Render, int PeriodFrames);
    void Play();

    std::unique_ptr<TConnection> Connection;
    TRender Render;
    int PeriodFrames;
    std::atomic<bool> Stopping{false};
    std::thread Player;
};
