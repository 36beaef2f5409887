#pragma once

#include "harmony/note.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The mode of a key. The engine takes any other value too (only a hand-edited file could
// carry one): it reads as major wherever a table is indexed, with no borrowed chords.
enum TMode : std::uint8_t { mdMajor = 0, mdMinor = 1 };

struct TTonality {
    TNoteName Tonic;
    TMode Mode;
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

// Indexed by mode.
inline constexpr TScale ScaleTable[2] = {
    {{{0, 0}, {1, 0}, {2, 0}, {3, -1}, {4, -1}, {5, -1}, {6, -1}}},  // mdMajor
    {{{0, 0}, {1, 0}, {2, -1}, {3, -1}, {4, -1}, {5, -2}, {6, -2}}}, // mdMinor: natural minor
};

inline constexpr TInterval EndOfTones{-1, 0};
inline constexpr TInterval PerfectFifth{4, -1};
inline constexpr TInterval MinorThird{2, -1};

// The row of ScaleTable for Mode; a mode other than minor reads as major.
inline const TScale& ScaleRow(TMode Mode) {
    return ScaleTable[Mode == mdMinor ? mdMinor : mdMajor];
}

// Where each variant applies. Degrees 2, 4 and 6 of a major key have a chord borrowed from
// the parallel minor.
inline bool IsBorrowable(TMode Mode, std::int32_t Degree) {
    return Mode == mdMajor && (Degree == 2 || Degree == 4 || Degree == 6);
}

inline constexpr std::int32_t DorianDegree = 4;     // the Dorian IV, of a minor key
inline constexpr std::int32_t NeapolitanDegree = 2; // the Neapolitan II, of either mode

inline bool HasDorian(TMode Mode, std::int32_t Degree) {
    return Mode == mdMinor && Degree == DorianDegree;
}

inline bool HasNeapolitan(std::int32_t Degree) {
    return Degree == NeapolitanDegree;
}

// A borrowed chord is the parallel minor's own chord on the degree, root included (A♭ for
// C major's VI); every other chord is built on the key's own scale.
inline bool IsBorrowedChord(TMode Mode, TChordVariant Variant, std::int32_t Degree) {
    return Variant == cvBorrowed && IsBorrowable(Mode, Degree);
}

inline const TScale& ScaleOf(TMode Mode, TChordVariant Variant, std::int32_t Degree) {
    return IsBorrowedChord(Mode, Variant, Degree) ? ScaleTable[mdMinor] : ScaleRow(Mode);
}

// The 0-based index of Degree into a table of the seven degrees; outside 1..7 it wraps.
inline std::size_t DegreeIndex(std::int32_t Degree) {
    return static_cast<std::size_t>(((static_cast<std::int64_t>(Degree) - 1) % 7 + 7) % 7);
}
