#pragma once

#include "harmony/chord.h"

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

// Notes held on an input keyboard becoming chords. A chord is taken when three or more notes
// are held and kSettleTime passes with no new note-on, or when a note is released while three
// or more are held, whichever comes first; each set of notes once (releasing the rest takes
// nothing, a new note-on makes a new set). Times are microseconds on the caller's clock.
class TChordTaker {
public:
    using TMicroseconds = std::int64_t;
    // Long enough for the fingers of one chord to land, short enough to feel at once.
    static constexpr TMicroseconds kSettleTime = 40'000;
    static constexpr std::size_t kLeastNotes = 3;

    // Each gives the notes of the chord it took (low to high), if it took one: a note-on can
    // take the chord whose settle time ran out before it.
    std::optional<std::vector<int>> NoteOn(int Note, TMicroseconds Now);
    std::optional<std::vector<int>> NoteOff(int Note, TMicroseconds Now);
    std::optional<std::vector<int>> Advance(TMicroseconds Now);
    // When the notes held settle into a chord, if they wait for it.
    std::optional<TMicroseconds> Due() const;
    void Reset();

private:
    std::optional<std::vector<int>> Take();

    std::set<int> Held;
    TMicroseconds LastOn = 0;
    bool Taken = false;
};

// The chord Notes sound as a major, minor or diminished triad (any inversion, any doubling),
// named as its letter key names it: the root spelled with the fewest accidentals over the three
// notes; on a tie, with sharps in a key with sharps or none, with flats in a key with flats.
// Nothing for any other set of pitch classes.
std::optional<TChord> PlayedTriad(const std::vector<int>& Notes, const TTonality& Key);

// A triad on Root, major, minor or diminished, as the chord-name keys build it.
TChord NamedTriad(TNoteName Root, bool Minor, bool Diminished);
