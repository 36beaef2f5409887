#pragma once

#include "harmony/chord.h"
#include "harmony/note.h"

#include <cstdint>
#include <optional>
#include <string>

// The harmony engine: class-level operations only, depending on nothing but their arguments.
// Arguments passed by non-const reference are read and written back.
//
// Out-of-range input: a mode other than mdMajor or mdMinor reads the major rows of ScaleTable and
// KeyNames, a degree outside 1..7 is taken modulo 7 where a table is indexed (8 reads as 1,
// 0 as 7). Such values never come from the keyboard, and the file reader refuses them; the
// guards only keep every table access in bounds.
class TCalculator {
public:
    static TInterval MakeInterval(std::int32_t Steps, std::int32_t Alter);
    static TNoteName Transpose(TNoteName Note, TInterval By);
    static TNoteName TransposeDown(TNoteName Note, TInterval By);
    static TInterval IntervalBetween(TInterval Upper, TInterval Lower);
    // The interval up from Lower to Upper within the octave (steps 0..6): Transpose(Lower, it)
    // is Upper.
    static TInterval IntervalFromTo(TNoteName Lower, TNoteName Upper);
    // 0..11 with C = 0; below -60 in total the remainder keeps the sign (-11..0).
    static std::int32_t PitchClass(TNoteName Note);
    static std::int32_t LetterNumber(TNoteName Note);
    static bool SameNote(TNoteName A, TNoteName B);
    static bool SameInterval(TInterval A, TInterval B);

    static TChordTones TriadOnDegree(const TScale& Scale, std::int32_t Degree);
    static TChord BuildChord(TNoteName Tonic, const TScale& Scale, std::int32_t Degree);
    static bool SameTones(const TChordTones& A, const TChordTones& B);
    static bool SameChord(const TChord& A, const TChord& B);
    // The note that is heard as the root: Root raised by slot 0.
    static TNoteName SoundingRoot(const TChord& Chord);
};

class TCalculatorEx : public TCalculator {
public:
    static TChordTones ChordTonesOf(TChordVariant& Variant, TMode Mode, std::int32_t Degree);
    static TChord ChordOf(TChordVariant& Variant, TTonality Tonality, std::int32_t Degree);
    static void ApplyVariant(TChordTones& Tones, TChordVariant& Variant, TMode Mode,
                             std::int32_t Degree);
    static bool IsMajorTriad(const TChord& Chord);
    static bool IsMinorTriad(const TChord& Chord);
    static bool IsDiminishedTriad(const TChord& Chord);
    static bool SameTonality(TTonality A, TTonality B);
    static TMode OtherMode(TMode Mode);
    // The mode of the key whose tonic triad Triad is: major for a major triad, else minor.
    static TMode ModeOf(const TChord& Triad);
    // The key whose dominant the secondary-dominant command plays for degree Degree of Key:
    // the key on that degree's scale note, major when its triad on the unraised root is major
    // (a minor key's VII gives a major key, its V a major one).
    static TTonality SecondaryDominantKey(TTonality Key, std::int32_t Degree);

    // The degree 1..7 of Chord in Tonality, with Variant set; -1 (Variant untouched) if none.
    static std::int32_t FindDegree(TTonality Tonality, const TChord& Chord, TChordVariant& Variant);
    // Chooses the Counter-th key that reads NamedChord after PreviousChord, cycling back to
    // the first. Without a previous chord (nothing placed yet) a neighbouring key qualifies
    // when it holds the named chord alone.
    static bool FindTonality(TTonality& Tonality, std::int32_t& Counter,
                             const std::optional<TChord>& PreviousChord, const TChord& NamedChord);
    // Reads the current chord as TargetDegree of another key (the other mode first).
    static bool Reinterpret(TTonality& Tonality, std::int32_t CurrentDegree,
                            std::int32_t TargetDegree, TChordVariant& Variant);

    static std::string AccidentalText(std::int32_t Count);
    static std::string TonalityLabel(TTonality Tonality);
    static std::string ChordName(const TChord& Chord);
    static std::string DegreeLabel(TMode Mode, std::int32_t Degree, TChordVariant Variant);
};
