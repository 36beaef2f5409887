#pragma once

#include "harmony/chord.h"
#include "progression/display_lines.h"
#include "progression/progression_entry.h"

#include <cstdint>
#include <string>

// Every character the display can hold, each once: the labels' and names' characters (key
// letters, accidentals, numerals, chord suffixes, the unknown mark) and the layout's own.
// The window's font must give each its columns (harmony/display_width.h).
std::string DisplayedCharacters();

// Where a key label goes.
enum class TKeyLabelPlace : std::uint8_t {
    // Over the key label last written, which no chord followed: a key change or pivot that
    // is changed again, or the key label of a fresh display.
    ReplaceLast,
    // On the other label line, ending under the chords placed since the last key label.
    AfterChords,
};

// The layout of the progression display: chord names on the chord line and, under them,
// each chord's degree label on one of two label lines. A key label starts a stretch of one
// key; each new stretch goes on the other label line, so that a pivot chord shows both of
// its degree labels, one over the other.
class TDisplayLayout {
public:
    static constexpr int kLineCount = 5;
    static constexpr int kChordLine = 1;
    static constexpr int kFirstLabelLine = 3;
    static constexpr int OtherLabelLine(int LabelLine) { return 7 - LabelLine; }

    TDisplayLines& Lines() { return Display; }
    const TDisplayLines& Lines() const { return Display; }
    std::int32_t LabelLine() const { return CurrentLabelLine; }
    std::int32_t KeyLabelColumn() const { return KeyColumn; }

    // Five empty lines and the key label of Key at the start of the first label line.
    void Reset(const TTonality& Key);
    void WriteKeyLabel(const TTonality& Key, TKeyLabelPlace Place);
    // The key label of Pivot's key and its degree label: the chord before, read in that key.
    void WritePivot(const TProgressionEntry& Pivot, TKeyLabelPlace Place);
    // Chord's name on the chord line over its degree label At its key.
    void WriteChord(const TChord& Chord, const TProgressionEntry& At);
    // Takes Chord's name off the end of the chord line, where it stands last, so that the
    // chord written again in another key leaves nothing of the name it had.
    void EraseLastChordName(const TChord& Chord);
    // The gap after a key label that no degree label follows.
    void AppendSeparator();

private:
    TDisplayLines Display;
    std::int32_t CurrentLabelLine = kFirstLabelLine;
    std::int32_t KeyColumn = 0;
};
