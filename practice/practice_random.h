#pragma once

#include <cstdint>

// The questions' own random numbers: the same seed gives the same numbers with every compiler
// and library (the standard distributions are not specified to), so a lesson and a seed mean
// the same question on every machine.
class TPracticeRandom {
public:
    explicit TPracticeRandom(std::uint64_t Seed) : State(Seed) {}

    std::uint64_t Next();
    // A number in 0..Count-1 (Count > 0).
    std::uint32_t Below(std::uint32_t Count);

private:
    std::uint64_t State;
};
