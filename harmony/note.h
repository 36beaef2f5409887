#pragma once

#include <cstdint>

// A spelled note without octave. Notes are never respelled: B♯ and C are different notes.
struct TNoteName {
    char Letter;             // 'A'..'G'; anything else is invalid
    std::int32_t Accidental; // +1 per sharp, -1 per flat, no limit
};

// A diatonic interval: Steps letter steps (0..6 in normal form) spanning 2 * Steps + Alter
// semitones. A negative Steps is no interval but the end marker of a tone list.
struct TInterval {
    std::int32_t Steps;
    std::int32_t Alter;
};
