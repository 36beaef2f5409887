#pragma once

#include "harmony/four_part.h"
#include "progression/progression_entry.h"

#include <cstdint>
#include <optional>
#include <vector>

// How chords sound: the instrument's block of every pitch class, or four voices led from the
// four notes that sounded last.
enum class TVoicing : std::uint8_t { Block, FourPart };

// Entry's chord in the four voices it shows: those it last sounded with, else led from the
// chord shown before it (none: a fresh start).
TVoicedChord VoicedChordOf(const TProgressionEntry& Entry,
                           const std::optional<TVoicedChord>& Previous);

// The notes of every chord of the progression as Voicing sounds them, each chord's from the
// top down; in four parts, the voices each entry shows.
std::vector<std::vector<int>> SoundingNotes(const std::vector<TProgressionEntry>& Entries,
                                            TVoicing Voicing);
