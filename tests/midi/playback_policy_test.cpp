#include "midi/pulse_output.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// At 1000 frames a second a step's frames are its milliseconds.
constexpr int kRate = 1000;
constexpr float kLoud = 0.1f, kFaintTail = 1e-4f, kSilence = 0;
constexpr int kDry = -1, kResume = 0;

// Milliseconds rendered at a peak, or the server running dry (kDry), or the stream resuming
// after a sleep (kResume).
struct TStep {
    int Milliseconds;
    float Peak;
};

struct PolicyCase {
    const char* Name;
    std::vector<TStep> Steps;
    int CutsIntoSound; // of the steps where the server ran dry
    int WantFrames;
    bool WantSleep;
    bool WantOnlyFaint;
};

const TStep kDryStep{kDry, 0}, kResumeStep{kResume, 0};

const PolicyCase kPolicy[] = {
    {"nothing rendered yet is a silence", {}, 0, 128, true, true},
    {"3 s of silence after sound sleeps", {{500, kLoud}, {3000, kSilence}}, 0, 128, true, true},
    {"2.99 s does not", {{500, kLoud}, {2999, kSilence}}, 0, 128, false, true},
    {"a faint tail keeps it awake but is not waited behind",
     {{500, kLoud}, {3000, kFaintTail}},
     0,
     128,
     false,
     true},
    {"a faint tail shorter than twice the buffer may still hold sound",
     {{500, kLoud}, {255, kFaintTail}},
     0,
     128,
     false,
     false},
    {"running dry while sounding doubles the buffer",
     {{500, kLoud}, kDryStep},
     1,
     256,
     false,
     false},
    {"running dry up to half a second after the sound still counts",
     {{500, kLoud}, {499, kSilence}, kDryStep},
     1,
     256,
     false,
     false},
    {"running dry in a silence does not",
     {{500, kLoud}, {500, kSilence}, kDryStep},
     0,
     128,
     false,
     true},
    {"the buffer grows to the largest and no further",
     {{500, kLoud}, kDryStep, kDryStep, kDryStep, kDryStep},
     4,
     1024,
     false,
     false},
    {"a minute of sound without running dry halves it, one step a minute",
     {{500, kLoud}, kDryStep, kDryStep, {60000, kLoud}, {59999, kLoud}},
     2,
     256,
     false,
     false},
    {"never below the smallest", {{60000, kLoud}, {60000, kLoud}}, 0, 128, false, false},
    {"running dry starts the minute again",
     {{500, kLoud}, kDryStep, {59000, kLoud}, kDryStep, {59000, kLoud}},
     2,
     512,
     false,
     false},
    {"a halving the server answers by running dry waits twice as long next time",
     {{500, kLoud}, kDryStep, {60000, kLoud}, kDryStep, {119999, kLoud}},
     2,
     256,
     false,
     false},
    {"one that held for its while does not",
     {{500, kLoud}, kDryStep, {60000, kLoud}, {60000, kLoud}, kDryStep, {60000, kLoud}},
     2,
     128,
     false,
     false},
    {"a resumed stream counts its silence from the start",
     {{500, kLoud}, {3000, kSilence}, kResumeStep, {2999, kSilence}},
     0,
     128,
     false,
     true},
    {"running dry just after resuming into silence cuts into nothing",
     {{3000, kSilence}, kResumeStep, {10, kSilence}, kDryStep},
     0,
     128,
     false,
     true},
};

TEST(PlaybackPolicy, SleepsGrowsAndShrinksByWhatWasRenderedAndTheServersUnderflows) {
    for (const auto& c : kPolicy) {
        SCOPED_TRACE(c.Name);
        TPlaybackPolicy Policy(kRate, {128, 1024});
        int Cuts = 0;
        for (const TStep& Step : c.Steps) {
            if (Step.Milliseconds == kDry) {
                Cuts += Policy.RanDry() ? 1 : 0;
            } else if (Step.Milliseconds == kResume) {
                Policy.Resumed();
            } else {
                Policy.Rendered(Step.Milliseconds, Step.Peak);
            }
        }
        EXPECT_EQ(Cuts, c.CutsIntoSound);
        EXPECT_EQ(Policy.BufferFrames(), c.WantFrames);
        EXPECT_EQ(Policy.MaySleep(), c.WantSleep);
        EXPECT_EQ(Policy.OnlyFaintQueued(), c.WantOnlyFaint);
    }
}

} // namespace
