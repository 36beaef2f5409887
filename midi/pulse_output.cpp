#include "midi/pulse_output.h"

#include "midi/midi_backend.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <pthread.h>
#include <sched.h>

#include <vector>

namespace {

constexpr int kStereo = 2;
constexpr std::uint32_t kServerChooses = static_cast<std::uint32_t>(-1);
constexpr int kRealTimePriority = 60;

// Ahead of every ordinary thread where the system allows it; as an ordinary thread elsewhere.
void TryRealTime() {
    sched_param Parameter{};
    Parameter.sched_priority = kRealTimePriority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &Parameter);
}

} // namespace

std::unique_ptr<TPulseOutput> TPulseOutput::Open(TRender Render, int SampleRate, int PeriodFrames) {
    const pa_sample_spec Format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(SampleRate),
                                kStereo};
    const auto PeriodBytes = static_cast<std::uint32_t>(PeriodFrames * kStereo * sizeof(float));
    // The server holds at most one period and asks for the next as soon as it has gone out:
    // a key is heard after at most two periods (measured with bench/held_chord.sh and
    // bench/key_to_sound.sh).
    const pa_buffer_attr Buffer{PeriodBytes, PeriodBytes, kServerChooses, kServerChooses,
                                kServerChooses};
    int Error = 0;
    TConnection Connection(pa_simple_new(nullptr, kClientName, PA_STREAM_PLAYBACK, nullptr,
                                         kClientName, &Format, nullptr, &Buffer, &Error),
                           pa_simple_free);
    if (!Connection) {
        return nullptr;
    }
    return std::unique_ptr<TPulseOutput>(
        new TPulseOutput(std::move(Connection), std::move(Render), PeriodFrames));
}

TPulseOutput::TPulseOutput(TConnection Connection, TRender Render, int PeriodFrames)
    : Connection(std::move(Connection)), Render(std::move(Render)), PeriodFrames(PeriodFrames),
      Player([this] { Play(); }) {}

TPulseOutput::~TPulseOutput() {
    Stopping = true;
    Player.join();
}

void TPulseOutput::Play() {
    std::vector<float> Period(static_cast<std::size_t>(PeriodFrames) * kStereo);
    const std::size_t Bytes = Period.size() * sizeof(float);
    int Error = 0;
    TryRealTime();
    while (!Stopping) {
        Render(Period.data(), PeriodFrames);
        if (pa_simple_write(Connection.get(), Period.data(), Bytes, &Error) < 0) {
            return; // the server went away: silence, as with any lost sound card
        }
    }
}
