#pragma once

#include "harmony/calculator.h"

#include <ostream>
#include <string>
#include <string_view>

// Notes and keys written as in the tables: "B♭", "F♯♯", "C"; a lower-case letter names the
// minor key ("b♭" is B♭ minor), an upper-case one the major key.
inline TNoteName N(std::string_view Text) {
    TNoteName Note{static_cast<char>(Text[0] & ~0x20), 0};
    for (std::string_view Rest = Text.substr(1); !Rest.empty(); Rest.remove_prefix(3)) {
        Note.Accidental += Rest.substr(0, 3) == "♯" ? 1 : -1;
    }
    return Note;
}

inline TTonality Key(std::string_view Text) {
    const bool Minor = Text[0] >= 'a';
    return {N(Text), Minor ? mdMinor : mdMajor};
}

inline std::string Describe(TNoteName Note) {
    std::string Text(1, Note.Letter);
    if (Note.Accidental > 0 && Note.Accidental <= 3) {
        for (int i = 0; i < Note.Accidental; ++i)
            Text += "♯";
    } else if (Note.Accidental < 0 && Note.Accidental >= -3) {
        for (int i = 0; i > Note.Accidental; --i)
            Text += "♭";
    } else if (Note.Accidental != 0) {
        Text += "(" + std::to_string(Note.Accidental) + ")";
    }
    return Text;
}

inline std::string Describe(TTonality Key) {
    return Describe(Key.Tonic) + (Key.Mode == 0 ? " major" : Key.Mode == 1 ? " minor" : " mode?");
}

inline std::string Describe(TInterval I) {
    return "(" + std::to_string(I.Steps) + ", " + std::to_string(I.Alter) + ")";
}

inline bool operator==(TNoteName A, TNoteName B) {
    return TCalculator::SameNote(A, B);
}
inline bool operator==(TInterval A, TInterval B) {
    return TCalculator::SameInterval(A, B);
}
inline bool operator==(TTonality A, TTonality B) {
    return TCalculatorEx::SameTonality(A, B);
}
inline std::ostream& operator<<(std::ostream& Out, TNoteName V) {
    return Out << Describe(V);
}
inline std::ostream& operator<<(std::ostream& Out, TInterval V) {
    return Out << Describe(V);
}
inline std::ostream& operator<<(std::ostream& Out, TTonality V) {
    return Out << Describe(V);
}

// The three sounding notes of a chord, lowest slot first.
inline std::string NotesOf(const TChord& Chord) {
    std::string Text;
    for (int i = 0; i < 3; ++i) {
        Text += (i ? " " : "") + Describe(TCalculator::Transpose(Chord.Root, Chord.Tones[i]));
    }
    return Text;
}

// The chord ChordOf builds, without caring what it writes back.
inline TChord ChordAt(TTonality Key, std::int32_t Degree, TChordVariant Variant = cvNormal) {
    return TCalculatorEx::ChordOf(Variant, Key, Degree);
}
