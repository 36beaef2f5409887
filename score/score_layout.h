#pragma once

#include "harmony/chord.h"
#include "progression/progression_entry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One voice's note as a score shows it: spelled as the engine spells it.
struct TScoreNote {
    TNoteName Name;
    int Octave;                    // scientific: middle C is C4
    int Midi;                      // the note that sounds
    int Staff;                     // 1 treble (soprano, alto), 2 bass (tenor, bass)
    int Step;                      // diatonic steps above the staff's bottom line (E4, G2)
    std::optional<int> Accidental; // the alteration to show where the key signature differs
};

// One measure: a chord of the progression as whole notes in four voices. A key past seven
// sharps or flats is written as its enharmonic twin (WrittenKey), with its chord, notes and
// labels: G♯ major as A♭ major.
struct TScoreMeasure {
    TTonality Key;       // as written
    TChord Chord;        // as written
    bool KeyChange;      // the first measure, or a new key: signature and key label shown
    std::int32_t Fifths; // the signature, -7..7
    std::array<TScoreNote, 4> Notes; // soprano, alto, tenor, bass
    std::string KeyLabel;            // as the display writes it, "Ｇ"
    std::string ChordName;
    std::string Degree; // the display's degree label, without its leading blank
    std::string Pivot;  // before a change of key: the chord read in the new key ("Ｇ: Ⅳ")
    // Four voices played in: the rules they broke against the four played before.
    std::vector<TVoiceBreak> Breaks;
};

// The progression as a score, one chord per measure: each entry in the four voices it
// sounded with, or led from the measure before where it never sounded in four parts.
std::vector<TScoreMeasure> ScoreMeasures(const std::vector<TProgressionEntry>& Entries);

// Brings Measures, the score of some first entries of Entries, to the score of all of them:
// work for the new entries only (and the pivot reading of the measure before them), so that
// a long progression that grows by a chord costs a chord.
void ExtendScore(std::vector<TScoreMeasure>& Measures,
                 const std::vector<TProgressionEntry>& Entries);

// The alteration that a signature of Fifths (-7..7) gives Letter: sharps in the order
// F C G D A E B, flats the other way round.
int SignatureAlter(std::int32_t Fifths, char Letter);
