#pragma once

#include <cstdint>

// A spelled note without octave. Notes are never respelled: B♯ and C are different notes.
// Whether a character code is one of the seven note letters A..G.
constexpr bool IsNoteLetter(int Code) {
    return Code >= 'A' && Code <= 'G';
}

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
