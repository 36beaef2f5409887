#include "practice/practice_random.h"

// SplitMix64: small, fast, and every output bit depends on every seed bit.
std::uint64_t TPracticeRandom::Next() {
    std::uint64_t Z = (State += 0x9E3779B97F4A7C15ULL);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBULL;
    return Z ^ (Z >> 31);
}

std::uint32_t TPracticeRandom::Below(std::uint32_t Count) {
    // Rejection keeps every value equally likely.
    const std::uint64_t Limit = UINT64_MAX - UINT64_MAX % Count;
    std::uint64_t Value = Next();
    while (Value >= Limit) {
        Value = Next();
    }
    return static_cast<std::uint32_t>(Value % Count);
}
