#include "progression/beat_player.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using TMicroseconds = TBeatPlayer::TMicroseconds;

// Woken late by varying amounts, the player takes each step at the first wake-up after its
// beat, and the beats stay where the tempo puts them, however late the wake-ups before.
TEST(BeatPlayer, KeepsTheTempoWhateverTheWakeUps) {
    for (const int Tempo : {TBeatPlayer::kMinTempo, 60, 97, TBeatPlayer::kMaxTempo}) {
        const TMicroseconds Beat = 60'000'000 / Tempo;
        const TMicroseconds Start = 5'000;
        std::vector<TMicroseconds> Taken;
        TMicroseconds Now = Start;
        std::vector<TBeatPlayer::TStep> Steps(16, [&] { Taken.push_back(Now); });
        TBeatPlayer Player;
        Player.Start(Steps, Tempo, Start);
        std::optional<TMicroseconds> Due = Player.Advance(Now);
        for (int Wake = 0; Due; ++Wake) {
            Now = *Due + (Wake * 7919) % 3001; // up to 3 ms late
            Due = Player.Advance(Now);
        }
        ASSERT_EQ(Taken.size(), 16u) << Tempo;
        for (std::size_t k = 0; k < Taken.size(); ++k) {
            const TMicroseconds OnBeat = Start + static_cast<TMicroseconds>(k) * Beat;
            EXPECT_GE(Taken[k], OnBeat) << Tempo << " beat " << k;
            EXPECT_LE(Taken[k], OnBeat + 3'000) << Tempo << " beat " << k;
        }
        EXPECT_FALSE(Player.Playing());
    }
}

// Out of range tempi are held to the range; Stop drops what is left, and a step may stop it.
TEST(BeatPlayer, HoldsTheTempoInRangeAndStops) {
    int Taken = 0;
    TBeatPlayer Player;
    Player.Start({[&] { ++Taken; }, [&] { ++Taken; }}, 1000, 0);
    EXPECT_EQ(Taken, 1);
    EXPECT_EQ(Player.Advance(0), std::optional<TMicroseconds>(60'000'000 / TBeatPlayer::kMaxTempo));
    Player.Start({[&] { ++Taken; }, [&] { ++Taken; }}, 1, 0);
    EXPECT_EQ(Player.Advance(0), std::optional<TMicroseconds>(60'000'000 / TBeatPlayer::kMinTempo));
    Player.Stop();
    EXPECT_EQ(Player.Advance(100'000'000), std::nullopt);
    EXPECT_EQ(Taken, 2);
    Player.Start({[&] { Player.Stop(); }, [&] { ++Taken; }}, 60, 0);
    EXPECT_EQ(Player.Advance(100'000'000), std::nullopt);
    EXPECT_EQ(Taken, 2);
}

} // namespace
