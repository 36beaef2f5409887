#pragma once

#include "progression/progression_entry.h"
#include "progression/voicing.h"

#include <optional>
#include <string>
#include <vector>

inline constexpr int MidiFileTicksPerQuarter = 480;
inline constexpr int DefaultQuartersPerMinute = 60;

// The whole progression as a Standard MIDI File, format 1: a tempo track (the tempo, 4/4, and
// a key signature at the first chord and at every change of key) and one track named after
// the General MIDI program, with its program change (none without a program), where each
// chord sounds for one 4/4 measure in Voicing, at velocity 64 on channel 1.
std::string StandardMidiFile(const std::vector<TProgressionEntry>& Entries,
                             std::optional<int> ProgramNumber, TVoicing Voicing,
                             int QuartersPerMinute = DefaultQuartersPerMinute);
