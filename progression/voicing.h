#pragma once

#include "progression/progression_entry.h"

#include <cstdint>
#include <vector>

// How chords sound: the instrument's block of every pitch class, or four voices led from the
// four notes that sounded last.
enum class TVoicing : std::uint8_t { Block, FourPart };

// The notes of every chord of the progression as Voicing sounds them, each chord's from the
// top down; four voices are led from one chord to the next from a fresh start, as a replay
// after Home leads them.
std::vector<std::vector<int>> SoundingNotes(const std::vector<TProgressionEntry>& Entries,
                                            TVoicing Voicing);
