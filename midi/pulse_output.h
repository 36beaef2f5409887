#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_defer_event;

// How far the server's buffer may range, in frames.
struct TBufferRange {
    int Smallest;
    int Largest;
};

// What the output makes of the samples it rendered and of the server running dry: when it may
// sleep, when the server holds nothing worth waiting behind, and how large the server's buffer
// should be. Kept apart from the server, so that it can be followed step by step.
class TPlaybackPolicy {
public:
    TPlaybackPolicy(int SampleRate, TBufferRange Range);
    // Frames frames were rendered, the loudest sample at Peak.
    void Rendered(int Frames, float Peak);
    // The server ran dry: true when that cut into sound, and the buffer then doubles.
    bool RanDry();
    // The stream starts again after a sleep: what follows is new sound.
    void Resumed();
    int BufferFrames() const { return Frames; }
    // Silent long enough to stop rendering; until then, sound was playing.
    bool MaySleep() const;
    // All the server can still hold is a faint tail at most.
    bool OnlyFaintQueued() const;

private:
    double SampleRate;
    TBufferRange Range;
    int Frames;
    // Since the last audible sample, since the last one above a faint tail, since the stream
    // last resumed (a resumed stream is given its whole while before it sleeps, sound or not),
    // and since the server last ran dry or the buffer last changed.
    std::int64_t QuietFrames;
    std::int64_t FaintFrames;
    std::int64_t AwakeFrames;
    std::int64_t FramesSinceTrouble = 0;
    std::int64_t ShrinkAfter;
    bool JustShrank = false;
};

// The synth's sound into the desktop's sound server (PulseAudio, or PipeWire's PulseAudio
// service), under the program's own name: the mixer lists the client and its stream as
// kClientName. PulseAudio's own thread renders whatever the server asks for, as it asks.
//
// Silence costs nothing: a few seconds after the last audible sample the stream is paused
// (corked) and the thread sleeps in the server's socket until Wake, so a desktop left with
// the program open spends no processor on it.
// The server's buffer adapts: it starts small, doubles each time the server reports that it
// ran dry while sound was playing, and halves again after a while without that.
// A lost server (restarted, or a write refused) is connected again, at once when a message
// arrives and otherwise after a wait that doubles up to a few seconds.
class TPulseOutput {
public:
    // Fills Frames frames of interleaved stereo samples.
    using TRender = std::function<void(float* Interleaved, int Frames)>;

    enum class TState : std::int32_t {
        Playing, // the server takes what the synth renders
        Idle,    // corked after a silence, the thread asleep
        Lost,    // no server: connecting again
    };

    struct TOpened {
        std::unique_ptr<TPulseOutput> Output; // nullptr when no server answered
        std::string Error;                    // PulseAudio's reason then
    };

    // Connects to the default server; the stream starts corked, waiting for the first Wake.
    static TOpened Open(TRender Render, int SampleRate, TBufferRange Range);
    ~TPulseOutput();
    TPulseOutput(const TPulseOutput&) = delete;
    TPulseOutput& operator=(const TPulseOutput&) = delete;

    // Called after every message given to the synth: sound may follow, so a sleeping stream
    // resumes and a lost server is tried again now.
    void Wake();

    TState State() const { return CurrentState; }
    // The server's buffer now, in frames.
    int BufferFrames() const { return BufferNow; }
    // How often the server ran dry while sound was playing.
    int Underflows() const { return SoundingUnderflows; }
    // Why the server was lost, while it is ("" otherwise).
    std::string LostBecause() const;

private:
    struct TLoopDeleter {
        void operator()(pa_threaded_mainloop* Loop) const;
    };

    TPulseOutput(TRender Render, int SampleRate, TBufferRange Range);

    // All below run on PulseAudio's thread, or with its lock held.
    bool Connect();
    void Disconnect();
    void Lose(const std::string& Reason);
    void ConnectStream();
    void OnStreamReady();
    void Sleep();
    void SkipSilence();
    void OnFlushed();
    void Resume();
    void WriteAvailable(std::size_t Bytes);
    void ApplyBuffer();
    void OnUnderflow();
    void OnRetry();
    void OnWakeRequest();

    std::unique_ptr<pa_threaded_mainloop, TLoopDeleter> Loop;
    pa_context* Context = nullptr;
    pa_stream* Stream = nullptr;
    pa_time_event* Retry = nullptr;
    pa_defer_event* WakeRequest = nullptr;

    TRender Render;
    int SampleRate;
    TPlaybackPolicy Policy;
    std::atomic<int> BufferNow;
    std::atomic<int> SoundingUnderflows{0};
    std::atomic<TState> CurrentState{TState::Idle};

    // Counted by Wake, so that the thread never sleeps over a message it has not rendered.
    std::atomic<std::uint64_t> Messages{0};
    std::uint64_t MessagesRendered = 0;
    std::atomic<bool> Asleep{true};
    // What the server holds is a faint tail at most, which the next sound need not wait behind.
    std::atomic<bool> OnlyFaintQueued{false};
    std::atomic<bool> WakePending{false};
    bool Flushing = false;
    std::chrono::milliseconds NextRetry;
    bool EverReady = false;
    bool RealTimeTried = false;
    std::string Lost;
};
