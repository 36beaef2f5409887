#pragma once

#include "harmony/four_part.h"
#include "progression/progression_entry.h"

#include <cstdint>
#include <optional>
#include <vector>

// How chords sound: the instrument's block of every pitch class, or four voices led from the
// four notes that sounded last.
enum class TVoicing : std::uint8_t { Block, FourPart };

// The four voices Entry shows: those it last sounded with, else led from the voices shown
// before it (none: a fresh start).
TFourVoices VoicesOf(const TProgressionEntry& Entry, const std::optional<TFourVoices>& Previous);

// The notes of every chord of the progression as Voicing sounds them, each chord's from the
// top down; in four parts, the voices each entry shows.
std::vector<std::vector<int>> SoundingNotes(const std::vector<TProgressionEntry>& Entries,
                                            TVoicing Voicing);
