#pragma once

#include "harmony/note.h"

#include <array>
#include <cstddef>
#include <cstdint>

// A key. Mode 0 is major, 1 is minor.
struct TTonality {
    TNoteName Tonic;
    std::uint8_t Mode;
};

// 0 the key's own chord, 1 borrowed from the parallel minor, 2 Dorian, 3 Neapolitan.
using TChordVariant = std::uint8_t;

inline constexpr TChordVariant cvNormal = 0;
inline constexpr TChordVariant cvBorrowed = 1;
inline constexpr TChordVariant cvDorian = 2;
inline constexpr TChordVariant cvNeapolitan = 3;

// Slot 0: the sounding root relative to the chord's Root; slot 1: the third; slot 2: the
// fifth; slot 3: the end marker (-1, 0); slot 4: spare, (0, 0).
using TChordTones = std::array<TInterval, 5>;

struct TChord {
    TNoteName Root; // the scale note of the degree; alterations of the root live in slot 0
    TChordTones Tones;
};

// The steps of degrees 1..7 above the tonic.
using TScale = std::array<TInterval, 7>;

inline constexpr TScale ScaleTable[2] = {
    {{{0, 0}, {1, 0}, {2, 0}, {3, -1}, {4, -1}, {5, -1}, {6, -1}}},  // major
    {{{0, 0}, {1, 0}, {2, -1}, {3, -1}, {4, -1}, {5, -2}, {6, -2}}}, // natural minor
};

inline constexpr TInterval EndOfTones{-1, 0};
inline constexpr TInterval PerfectFifth{4, -1};
inline constexpr TInterval MinorThird{2, -1};

// The row of ScaleTable for Mode: 1 is minor, every other value reads as major.
inline const TScale& ScaleRow(std::uint8_t Mode) {
    return ScaleTable[Mode == 1 ? 1 : 0];
}

// Degrees 2, 4 and 6 of a major key have a chord borrowed from the parallel minor.
inline bool IsBorrowable(std::uint8_t Mode, std::int32_t Degree) {
    return Mode == 0 && (Degree == 2 || Degree == 4 || Degree == 6);
}

// The 0-based index of Degree into a table of the seven degrees; outside 1..7 it wraps.
inline std::size_t DegreeIndex(std::int32_t Degree) {
    return static_cast<std::size_t>(((static_cast<std::int64_t>(Degree) - 1) % 7 + 7) % 7);
}
