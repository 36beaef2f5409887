#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Steps taken one per beat, on a clock the caller keeps: the window's timer or the script
// runner's `wait`, so that a played progression keeps its tempo and a transcript needs no real
// time. Beat k falls at the start plus k beats, reckoned from the start each time, so a late
// wake-up delays one step and never the ones after it.
class TBeatPlayer {
public:
    using TStep = std::function<void()>;
    using TMicroseconds = std::int64_t;

    static constexpr int kMinTempo = 40;
    static constexpr int kMaxTempo = 160;
    static constexpr int kDefaultTempo = 60;

    // Takes the first step at once (Now) and the others a beat apart at Tempo beats a minute
    // (held within kMinTempo..kMaxTempo); whatever was playing is dropped.
    void Start(std::vector<TStep> Steps, int Tempo, TMicroseconds Now);
    // Takes every step whose beat has come by Now, in order. When the next one is due, or
    // nothing once every step has been taken.
    std::optional<TMicroseconds> Advance(TMicroseconds Now);
    // Drops the steps not yet taken.
    void Stop();
    bool Playing() const { return Next < Steps.size(); }

private:
    TMicroseconds BeatTime(std::size_t Beat) const;

    std::vector<TStep> Steps;
    std::size_t Next = 0;
    TMicroseconds StartTime = 0;
    int Tempo = kDefaultTempo;
};
