#include "progression/beat_player.h"

#include <algorithm>
#include <utility>

namespace {

constexpr TBeatPlayer::TMicroseconds kMicrosecondsPerMinute = 60'000'000;

} // namespace

void TBeatPlayer::Start(std::vector<TStep> NewSteps, int NewTempo, TMicroseconds Now) {
    Steps = std::move(NewSteps);
    Next = 0;
    StartTime = Now;
    Tempo = std::clamp(NewTempo, kMinTempo, kMaxTempo);
    Advance(Now);
}

std::optional<TBeatPlayer::TMicroseconds> TBeatPlayer::Advance(TMicroseconds Now) {
    while (Playing() && BeatTime(Next) <= Now) {
        // Taken before it runs: a step may stop or restart the player.
        const TStep Step = Steps[Next++];
        Step();
    }
    if (!Playing()) {
        return std::nullopt;
    }
    return BeatTime(Next);
}

void TBeatPlayer::Stop() {
    Steps.clear();
    Next = 0;
}

TBeatPlayer::TMicroseconds TBeatPlayer::BeatTime(std::size_t Beat) const {
    return StartTime + static_cast<TMicroseconds>(Beat) * kMicrosecondsPerMinute / Tempo;
}
