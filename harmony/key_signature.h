#pragma once

#include "harmony/chord.h"

#include <cstdint>

// The key signature of a key as fifths: sharps above zero, flats below (G major 1, F major -1,
// A minor 0, C♯ major 7). Keys past seven are counted on (G♯ major 8) as the engine spells them.
std::int32_t KeySignatureFifths(const TTonality& Key);
