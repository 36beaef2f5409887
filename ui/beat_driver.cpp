#include "ui/beat_driver.h"

#include <utility>

namespace {

constexpr TBeatPlayer::TMicroseconds kMicrosecondsPerMillisecond = 1000;

} // namespace

TBeatDriver::TBeatDriver() {
    Clock.start();
    Timer.setSingleShot(true);
    Timer.setTimerType(Qt::PreciseTimer);
    connect(&Timer, &QTimer::timeout, this, [this] { Wake(); });
}

void TBeatDriver::Start(std::vector<TBeatPlayer::TStep> Steps, int Tempo) {
    Timer.stop();
    Player.Start(std::move(Steps), Tempo, Clock.nsecsElapsed() / 1000);
    Wake();
}

void TBeatDriver::Stop() {
    Timer.stop();
    Player.Stop();
}

void TBeatDriver::Wake() {
    const TBeatPlayer::TMicroseconds Now = Clock.nsecsElapsed() / 1000;
    if (const std::optional<TBeatPlayer::TMicroseconds> Due = Player.Advance(Now)) {
        // Rounded up: woken a little early, the step would wait for another whole wake-up.
        const TBeatPlayer::TMicroseconds Wait =
            (*Due - Now + kMicrosecondsPerMillisecond - 1) / kMicrosecondsPerMillisecond;
        Timer.start(static_cast<int>(Wait));
    }
}
