#include "midi/pulse_output.h"

#include "midi/midi_backend.h"

#include <pulse/pulseaudio.h>

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace std::chrono_literals;

constexpr int kStereo = 2;
constexpr std::size_t kFrameBytes = kStereo * sizeof(float);
constexpr std::uint32_t kServerChooses = static_cast<std::uint32_t>(-1);
constexpr int kRealTimePriority = 60;
// Below one step of 16-bit audio: nothing anyone hears, release and reverb tails included.
constexpr float kAudible = 1.0f / 32768;
// A tail this faint (-60 dB) may be cut short by the next sound, which masks far more.
constexpr float kFaint = 1.0f / 1024;
constexpr double kIdleAfterSeconds = 3;
// An underflow this soon after the last audible sample cut into sound that was playing.
constexpr double kSoundingSeconds = 0.5;
// Sound played this long without the server running dry lets the buffer halve; each halving
// that the server answers by running dry within that while doubles it, up to the longest.
constexpr double kShrinkAfterSeconds = 60;
constexpr double kLongestShrinkAfterSeconds = 16 * 60;
constexpr std::chrono::milliseconds kFirstRetry = 100ms;
constexpr std::chrono::milliseconds kLongestRetry = 5s;

// Ahead of every ordinary thread where the system allows it; as an ordinary thread elsewhere.
void TryRealTime() {
    sched_param Parameter{};
    Parameter.sched_priority = kRealTimePriority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &Parameter);
}

// The server's buffer holds Frames frames in all: with the latency adjusted to it, the server
// splits that between its own device buffer and the stream's queue.
pa_buffer_attr BufferOf(int Frames) {
    return {kServerChooses, static_cast<std::uint32_t>(Frames * kFrameBytes), kServerChooses,
            kServerChooses, kServerChooses};
}

std::string ContextError(pa_context* Context) {
    return pa_strerror(pa_context_errno(Context));
}

void Forget(pa_operation* Operation) {
    if (Operation != nullptr) {
        pa_operation_unref(Operation);
    }
}

} // namespace

TPlaybackPolicy::TPlaybackPolicy(int SampleRate, TBufferRange Range)
    : SampleRate(SampleRate), Range(Range), Frames(Range.Smallest),
      // Nothing rendered yet counts as a long silence.
      QuietFrames(static_cast<std::int64_t>(kIdleAfterSeconds * SampleRate)),
      FaintFrames(QuietFrames), AwakeFrames(QuietFrames),
      ShrinkAfter(static_cast<std::int64_t>(kShrinkAfterSeconds * SampleRate)) {}

void TPlaybackPolicy::Rendered(int Count, float Peak) {
    QuietFrames = Peak >= kAudible ? 0 : QuietFrames + Count;
    FaintFrames = Peak >= kFaint ? 0 : FaintFrames + Count;
    AwakeFrames += Count;
    FramesSinceTrouble += Count;
    if (FramesSinceTrouble >= ShrinkAfter && Frames > Range.Smallest) {
        Frames = std::max(Range.Smallest, Frames / 2);
        FramesSinceTrouble = 0;
        JustShrank = true;
    }
}

bool TPlaybackPolicy::RanDry() {
    if (QuietFrames >= kSoundingSeconds * SampleRate) {
        return false;
    }
    if (JustShrank && FramesSinceTrouble < ShrinkAfter) {
        ShrinkAfter = std::min(2 * ShrinkAfter,
                               static_cast<std::int64_t>(kLongestShrinkAfterSeconds * SampleRate));
    }
    JustShrank = false;
    Frames = std::min(Range.Largest, Frames * 2);
    FramesSinceTrouble = 0;
    return true;
}

void TPlaybackPolicy::Resumed() {
    AwakeFrames = 0;
}

bool TPlaybackPolicy::MaySleep() const {
    return std::min(QuietFrames, AwakeFrames) >= kIdleAfterSeconds * SampleRate;
}

// The server never holds more than its buffer: past that much faint sound, all it holds is.
bool TPlaybackPolicy::OnlyFaintQueued() const {
    return FaintFrames >= 2 * Frames;
}

void TPulseOutput::TLoopDeleter::operator()(pa_threaded_mainloop* Loop) const {
    pa_threaded_mainloop_stop(Loop);
    pa_threaded_mainloop_free(Loop);
}

TPulseOutput::TOpened TPulseOutput::Open(TRender Render, int SampleRate, TBufferRange Range) {
    std::unique_ptr<TPulseOutput> Output(new TPulseOutput(std::move(Render), SampleRate, Range));
    pa_threaded_mainloop* Loop = Output->Loop.get();
    if (Loop == nullptr || pa_threaded_mainloop_start(Loop) < 0) {
        return {nullptr, pa_strerror(PA_ERR_INTERNAL)};
    }
    pa_threaded_mainloop_lock(Loop);
    pa_mainloop_api* Api = pa_threaded_mainloop_get_api(Loop);
    Output->WakeRequest = Api->defer_new(
        Api,
        [](pa_mainloop_api*, pa_defer_event*, void* Self) {
            static_cast<TPulseOutput*>(Self)->OnWakeRequest();
        },
        Output.get());
    Api->defer_enable(Output->WakeRequest, 0);
    if (Output->Connect()) {
        while (!Output->EverReady && Output->Lost.empty()) {
            pa_threaded_mainloop_wait(Loop);
        }
    }
    const std::string Error = Output->Lost;
    const bool Ready = Output->EverReady;
    pa_threaded_mainloop_unlock(Loop);
    if (!Ready) {
        return {nullptr, Error};
    }
    return {std::move(Output), {}};
}

TPulseOutput::TPulseOutput(TRender Render, int SampleRate, TBufferRange Range)
    : Loop(pa_threaded_mainloop_new()), Render(std::move(Render)), SampleRate(SampleRate),
      Policy(SampleRate, Range), BufferNow(Range.Smallest), NextRetry(kFirstRetry) {}

TPulseOutput::~TPulseOutput() {
    if (!Loop) {
        return;
    }
    pa_threaded_mainloop_lock(Loop.get());
    Disconnect();
    pa_mainloop_api* Api = pa_threaded_mainloop_get_api(Loop.get());
    if (Retry != nullptr) {
        Api->time_free(Retry);
    }
    if (WakeRequest != nullptr) {
        Api->defer_free(WakeRequest);
    }
    pa_threaded_mainloop_unlock(Loop.get());
    // Stopped before the members its callbacks use go.
    pa_threaded_mainloop_stop(Loop.get());
}

void TPulseOutput::Wake() {
    ++Messages;
    // Sleep sets Asleep before it looks at Messages, and this reads it after counting: one
    // of the two sees the other, so no message is left sleeping.
    if ((Asleep || OnlyFaintQueued) && !WakePending.exchange(true)) {
        pa_threaded_mainloop_lock(Loop.get());
        pa_mainloop_api* Api = pa_threaded_mainloop_get_api(Loop.get());
        Api->defer_enable(WakeRequest, 1);
        pa_threaded_mainloop_unlock(Loop.get());
    }
}

std::string TPulseOutput::LostBecause() const {
    pa_threaded_mainloop_lock(Loop.get());
    std::string Reason = CurrentState == TState::Lost ? Lost : std::string();
    pa_threaded_mainloop_unlock(Loop.get());
    return Reason;
}

bool TPulseOutput::Connect() {
    pa_mainloop_api* Api = pa_threaded_mainloop_get_api(Loop.get());
    Context = pa_context_new(Api, kClientName);
    if (Context == nullptr) {
        Lose(pa_strerror(PA_ERR_INTERNAL));
        return false;
    }
    pa_context_set_state_callback(
        Context,
        [](pa_context* Context, void* Self) {
            auto* Output = static_cast<TPulseOutput*>(Self);
            switch (pa_context_get_state(Context)) {
            case PA_CONTEXT_READY:
                Output->ConnectStream();
                break;
            case PA_CONTEXT_FAILED:
            case PA_CONTEXT_TERMINATED:
                Output->Lose(ContextError(Context));
                break;
            default:
                break;
            }
        },
        this);
    // Once the desktop's server has been found, a server that went away is waited for, never
    // started by us in its place.
    const auto Flags = EverReady ? PA_CONTEXT_NOAUTOSPAWN : PA_CONTEXT_NOFLAGS;
    // A refusal may come at once, through the state callback, which has dealt with it then.
    if (pa_context_connect(Context, nullptr, Flags, nullptr) < 0 && Context != nullptr) {
        Lose(ContextError(Context));
    }
    return Context != nullptr;
}

void TPulseOutput::ConnectStream() {
    const pa_sample_spec Format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(SampleRate),
                                kStereo};
    Stream = pa_stream_new(Context, kClientName, &Format, nullptr);
    if (Stream == nullptr) {
        Lose(ContextError(Context));
        return;
    }
    pa_stream_set_state_callback(
        Stream,
        [](pa_stream* Stream, void* Self) {
            auto* Output = static_cast<TPulseOutput*>(Self);
            switch (pa_stream_get_state(Stream)) {
            case PA_STREAM_READY:
                Output->OnStreamReady();
                break;
            case PA_STREAM_FAILED:
            case PA_STREAM_TERMINATED:
                Output->Lose(ContextError(pa_stream_get_context(Stream)));
                break;
            default:
                break;
            }
        },
        this);
    pa_stream_set_write_callback(
        Stream,
        [](pa_stream*, std::size_t Bytes, void* Self) {
            auto* Output = static_cast<TPulseOutput*>(Self);
            // A sleeping stream leaves the server's request for Resume to answer, a flushing
            // one for the flush's end.
            if (!Output->Asleep && !Output->Flushing) {
                Output->WriteAvailable(Bytes);
            }
        },
        this);
    pa_stream_set_underflow_callback(
        Stream, [](pa_stream*, void* Self) { static_cast<TPulseOutput*>(Self)->OnUnderflow(); },
        this);
    const pa_buffer_attr Buffer = BufferOf(Policy.BufferFrames());
    const auto Flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    Asleep = true;
    if (pa_stream_connect_playback(Stream, nullptr, &Buffer, Flags, nullptr, nullptr) < 0 &&
        Stream != nullptr) {
        Lose(ContextError(Context));
    }
}

void TPulseOutput::OnStreamReady() {
    EverReady = true;
    Flushing = false;
    NextRetry = kFirstRetry;
    Lost.clear();
    CurrentState = TState::Idle;
    pa_threaded_mainloop_signal(Loop.get(), 0);
    // A key pressed while the server was away, or sound cut off by its going.
    if (Messages != MessagesRendered || !Policy.MaySleep()) {
        Resume();
    }
}

void TPulseOutput::Disconnect() {
    if (Stream != nullptr) {
        pa_stream_set_state_callback(Stream, nullptr, nullptr);
        pa_stream_set_write_callback(Stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(Stream, nullptr, nullptr);
        pa_stream_disconnect(Stream);
        pa_stream_unref(Stream);
        Stream = nullptr;
    }
    if (Context != nullptr) {
        pa_context_set_state_callback(Context, nullptr, nullptr);
        pa_context_disconnect(Context);
        pa_context_unref(Context);
        Context = nullptr;
    }
}

void TPulseOutput::Lose(const std::string& Reason) {
    Disconnect();
    Asleep = true;
    Lost = Reason;
    CurrentState = TState::Lost;
    if (!EverReady) {
        pa_threaded_mainloop_signal(Loop.get(), 0); // Open reports it
        return;
    }
    pa_mainloop_api* Api = pa_threaded_mainloop_get_api(Loop.get());
    timeval When{};
    pa_timeval_add(pa_gettimeofday(&When),
                   static_cast<pa_usec_t>(
                       std::chrono::duration_cast<std::chrono::microseconds>(NextRetry).count()));
    if (Retry != nullptr) {
        Api->time_free(Retry);
    }
    Retry = Api->time_new(
        Api, &When,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* Self) {
            static_cast<TPulseOutput*>(Self)->OnRetry();
        },
        this);
    NextRetry = std::min(NextRetry * 2, kLongestRetry);
}

void TPulseOutput::OnRetry() {
    pa_mainloop_api* Api = pa_threaded_mainloop_get_api(Loop.get());
    Api->time_free(Retry);
    Retry = nullptr;
    Connect();
}

void TPulseOutput::OnWakeRequest() {
    pa_mainloop_api* Api = pa_threaded_mainloop_get_api(Loop.get());
    Api->defer_enable(WakeRequest, 0);
    WakePending = false;
    if (Stream != nullptr && pa_stream_get_state(Stream) == PA_STREAM_READY) {
        if (Asleep) {
            Resume();
        } else if (OnlyFaintQueued && !Flushing) {
            SkipSilence();
        }
    } else if (Context == nullptr && Retry != nullptr) {
        // A key is waiting: try the server now rather than at the end of the wait.
        OnRetry();
    }
}

void TPulseOutput::Resume() {
    Asleep = false;
    CurrentState = TState::Playing;
    Policy.Resumed();
    // What the server asked for while the stream slept goes out with the uncork, the new
    // sound at its very start.
    const std::size_t Writable = pa_stream_writable_size(Stream);
    if (Writable != static_cast<std::size_t>(-1) && Writable > 0) {
        WriteAvailable(Writable);
    }
    if (Stream != nullptr) {
        Forget(pa_stream_cork(Stream, 0, nullptr, nullptr));
    }
}

// What the server holds is a faint tail at most: dropped, the new sound goes out ahead of it.
void TPulseOutput::SkipSilence() {
    OnlyFaintQueued = false;
    Flushing = true;
    pa_operation* Flush = pa_stream_flush(
        Stream, [](pa_stream*, int, void* Self) { static_cast<TPulseOutput*>(Self)->OnFlushed(); },
        this);
    if (Flush == nullptr) {
        Flushing = false;
    }
    Forget(Flush);
}

void TPulseOutput::OnFlushed() {
    Flushing = false;
    const std::size_t Writable = pa_stream_writable_size(Stream);
    if (!Asleep && Writable != static_cast<std::size_t>(-1) && Writable > 0) {
        WriteAvailable(Writable);
    }
}

void TPulseOutput::Sleep() {
    Asleep = true;
    OnlyFaintQueued = false;
    CurrentState = TState::Idle;
    // The queued silence goes: the next sound starts at once when the stream resumes.
    Forget(pa_stream_cork(Stream, 1, nullptr, nullptr));
    Forget(pa_stream_flush(Stream, nullptr, nullptr));
    if (Messages != MessagesRendered) {
        Resume();
    }
}

void TPulseOutput::WriteAvailable(std::size_t Bytes) {
    if (!RealTimeTried) {
        TryRealTime();
        RealTimeTried = true;
    }
    MessagesRendered = Messages;
    while (Bytes >= kFrameBytes) {
        void* Data = nullptr;
        std::size_t Size = Bytes - Bytes % kFrameBytes;
        if (pa_stream_begin_write(Stream, &Data, &Size) < 0 || Data == nullptr) {
            Lose(ContextError(pa_stream_get_context(Stream)));
            return;
        }
        Size -= Size % kFrameBytes;
        auto* Samples = static_cast<float*>(Data);
        const auto Count = static_cast<int>(Size / kFrameBytes);
        Render(Samples, Count);
        float Peak = 0;
        for (std::size_t i = 0; i < Size / sizeof(float); ++i) {
            Peak = std::max(Peak, std::fabs(Samples[i]));
        }
        Policy.Rendered(Count, Peak);
        if (pa_stream_write(Stream, Data, Size, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            Lose(ContextError(pa_stream_get_context(Stream)));
            return;
        }
        Bytes -= Size;
    }
    if (Policy.BufferFrames() != BufferNow) {
        ApplyBuffer();
    }
    OnlyFaintQueued = Policy.OnlyFaintQueued();
    if (Policy.MaySleep() && Messages == MessagesRendered) {
        Sleep();
    }
}

void TPulseOutput::ApplyBuffer() {
    BufferNow = Policy.BufferFrames();
    const pa_buffer_attr Buffer = BufferOf(BufferNow);
    Forget(pa_stream_set_buffer_attr(Stream, &Buffer, nullptr, nullptr));
}

void TPulseOutput::OnUnderflow() {
    if (!Asleep && Policy.RanDry()) {
        ++SoundingUnderflows;
        ApplyBuffer();
    }
}
