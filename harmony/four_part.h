#pragma once

#include "harmony/chord.h"

#include <array>
#include <cstddef>
#include <optional>

// The four voices of a chord as MIDI note numbers, soprano first, bass last.
using TFourVoices = std::array<int, 4>;

enum TVoice : std::size_t { vcSoprano = 0, vcAlto = 1, vcTenor = 2, vcBass = 3 };

struct TVoiceRange {
    int Lowest;
    int Highest;
};

// Indexed by TVoice.
inline constexpr TVoiceRange VoiceRanges[4] = {{60, 79}, {55, 74}, {48, 67}, {40, 62}};

// Every voicing the leader considers: each voice on a note of the chord's pitch classes
// between these two, its own range or not (a note out of its range is a break of the rules).
inline constexpr int LowestSearchedNote = 40;
inline constexpr int HighestSearchedNote = 79;

// What the rules of four-part writing need to know of a chord.
struct TFourPartChord {
    std::array<int, 3> PitchClasses; // root (the sounding root), third, fifth: 0..11, C = 0
    int LeadingTone;                 // a semitone under the tonic of the chord's key
    bool Diminished;                 // then the third is doubled, not the root
    bool TonicTriad;                 // the key's own I, the goal of a leading tone
};

TFourPartChord FourPartChordOf(const TChord& Chord, const TTonality& Key);

// Leads the chord's four voices from the four notes that sounded before (none after a
// reset): the voicing that breaks the fewest of the hard rules (none, wherever one exists),
// then the best by the preferences, then a fixed order. Depends only on its arguments.
TFourVoices LeadVoices(const std::optional<TFourVoices>& Previous, const TFourPartChord& Chord);
