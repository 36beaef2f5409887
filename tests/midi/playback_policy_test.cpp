#include "midi/pulse_output.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// Steps, at 1000 frames a second: "L500" 500 ms rendered loud, "F500" at a faint tail's level,
// "S500" silent, "D" the server running dry, "R" the stream resuming after a sleep.
struct PolicyCase {
    const char* Name;
    const char* Steps;
    int CutsIntoSound, Frames; // of the times the server ran dry; the buffer after the steps
    bool Sleep, OnlyFaint;
};

const PolicyCase kPolicy[] = {
    {"nothing rendered yet is a silence", "", 0, 128, true, true},
    {"3 s of silence after sound sleeps", "L500 S3000", 0, 128, true, true},
    {"2.99 s does not", "L500 S2999", 0, 128, false, true},
    {"a faint tail keeps it awake but is not waited behind", "L500 F3000", 0, 128, false, true},
    {"one shorter than twice the buffer may hold sound yet", "L500 F255", 0, 128, false, false},
    {"running dry while sounding doubles the buffer", "L500 D", 1, 256, false, false},
    {"up to half a second after the sound", "L500 S499 D", 1, 256, false, false},
    {"but not in a silence", "L500 S500 D", 0, 128, false, true},
    {"nor just after resuming into one", "S3000 R S10 D", 0, 128, false, true},
    {"up to the largest and no further", "L500 D D D D", 4, 1024, false, false},
    {"a minute without running dry halves it, one step a minute", "L500 D D L60000 L59999", 2, 256,
     false, false},
    {"running dry starts the minute again", "L500 D L59000 D L59000", 2, 512, false, false},
    {"a halving answered by running dry waits twice as long next", "L500 D L60000 D L119999", 2,
     256, false, false},
    {"one that held for its minute does not, nor below the smallest",
     "L500 D L60000 L60000 D L60000 L60000", 2, 128, false, false},
    {"at the smallest, no halving is there to be answered", "L60000 D L60000", 1, 128, false,
     false},
    {"a resumed stream counts its silence from the start", "L500 S3000 R S2999", 0, 128, false,
     true},
};

TEST(PlaybackPolicy, SleepsGrowsAndShrinksByWhatWasRenderedAndTheServersUnderflows) {
    for (const auto& c : kPolicy) {
        SCOPED_TRACE(c.Name);
        TPlaybackPolicy Policy(1000, {128, 1024});
        int Cuts = 0;
        std::istringstream Steps(c.Steps);
        for (std::string Step; Steps >> Step;) {
            const int Milliseconds = Step.size() > 1 ? std::stoi(Step.substr(1)) : 0;
            switch (Step[0]) {
            case 'D':
                Cuts += Policy.RanDry() ? 1 : 0;
                break;
            case 'R':
                Policy.Resumed();
                break;
            case 'L':
                Policy.Rendered(Milliseconds, 0.1f);
                break;
            case 'F':
                Policy.Rendered(Milliseconds, 1e-4f);
                break;
            default:
                Policy.Rendered(Milliseconds, 0);
                break;
            }
        }
        EXPECT_EQ(Cuts, c.CutsIntoSound);
        EXPECT_EQ(Policy.BufferFrames(), c.Frames);
        EXPECT_EQ(Policy.MaySleep(), c.Sleep);
        EXPECT_EQ(Policy.OnlyFaintQueued(), c.OnlyFaint);
    }
}

} // namespace
