#pragma once

#include "harmony/chord.h"

#include <cstdint>

// The key signature of a key as fifths: sharps above zero, flats below (G major 1, F major -1,
// A minor 0, C♯ major 7). Keys past seven are counted on (G♯ major 8) as the engine spells them.
std::int32_t KeySignatureFifths(const TTonality& Key);

// The key a score writes for Key: Key itself while its signature has at most seven sharps or
// flats, else its enharmonic twin with the fewest (G♯ major as A♭ major, 8 fifths as -4), so
// that no signature, note or label needs more than a double sharp or flat.
TTonality WrittenKey(const TTonality& Key);
