#pragma once

#include "harmony/chord.h"

#include <array>
#include <cstddef>
#include <optional>

// The four voices of a chord as MIDI note numbers, soprano first, bass last.
using TFourVoices = std::array<int, 4>;

enum TVoice : std::size_t { vcSoprano = 0, vcAlto = 1, vcTenor = 2, vcBass = 3 };

// Every voicing the leader considers: each voice on a note of the chord's pitch classes
// between these two, its own range or not (a note out of its range is a break of the rules).
inline constexpr int LowestSearchedNote = 40;
inline constexpr int HighestSearchedNote = 79;

// The three notes of a chord as the chord spells them, root (the sounding root), third, fifth:
// the score writes a voice's note with the one of these that has its pitch class.
std::array<TNoteName, 3> ChordToneNames(const TChord& Chord);

// The chord's spelling of Note (a MIDI number or a pitch class); the sounding root for a pitch
// class the chord lacks.
TNoteName SpelledNote(const TChord& Chord, int Note);

// What the rules of four-part writing need to know of a chord.
struct TFourPartChord {
    std::array<int, 3> PitchClasses; // root (the sounding root), third, fifth: 0..11, C = 0
    std::array<TNoteName, 3> Names;  // the same three as the chord spells them
    int LeadingTone;                 // a semitone under the tonic of the chord's key
    bool Diminished;                 // then the third is doubled, not the root
    bool TonicTriad;                 // the key's own I, the goal of a leading tone
    TTonality Key;                   // the key the chord was played in
};

TFourPartChord FourPartChordOf(const TChord& Chord, const TTonality& Key);

// A chord as it sounded: its four notes and the chord that spells them.
struct TVoicedChord {
    TFourVoices Voices;
    TFourPartChord Chord;
};

// Leads the chord's four voices from the chord that sounded before (none after a reset): the
// root in the bass and all three pitch classes always, then the voicing that breaks the fewest
// grave rules, then the fewest others (none, wherever such a voicing exists), then the best by
// the preferences, then a fixed order. Depends only on its arguments.
TFourVoices LeadVoices(const std::optional<TVoicedChord>& Previous, const TFourPartChord& Chord);

// The first chord, after a reset (also what LeadVoices(std::nullopt, Chord) means).
TFourVoices LeadVoices(std::nullopt_t, const TFourPartChord& Chord);

