#include "harmony/labels.h"
#include "harmony/calculator.h"

namespace {

// The note's letter in the row of KeyNames: C 0 .. B 6.
std::size_t LetterIndex(char Letter) {
    return static_cast<std::size_t>((static_cast<unsigned char>(Letter) - 'C' + 7) % 7);
}

// Names the letter of Note from the row of KeyNames for Mode; "？" for a letter outside A..G.
std::string LetterName(TNoteName Note, TMode Mode) {
    const std::size_t Row = Mode == mdMinor ? 1 : 0;
    if (!IsNoteLetter(static_cast<unsigned char>(Note.Letter))) {
        return std::string(UnknownMark);
    }
    return std::string(KeyNames[Row * 7 + LetterIndex(Note.Letter)]);
}

} // namespace

std::string TCalculatorEx::AccidentalText(std::int32_t Count) {
    switch (Count) {
    case -2:
        return "♭♭";
    case -1:
        return "♭";
    case 0:
        return "";
    case 1:
        return "♯";
    case 2:
        return "♯♯";
    default:
        return std::string(UnknownMark);
    }
}

// A mode other than minor is named like a major key.
std::string TCalculatorEx::TonalityLabel(TTonality Tonality) {
    return LetterName(Tonality.Tonic, Tonality.Mode) + AccidentalText(Tonality.Tonic.Accidental);
}

std::string TCalculatorEx::ChordName(const TChord& Chord) {
    const char* Suffix = IsMajorTriad(Chord)        ? ""
                         : IsMinorTriad(Chord)      ? "ｍ"
                         : IsDiminishedTriad(Chord) ? "-5"
                                                    : "？";
    const TNoteName Root = SoundingRoot(Chord);
    return LetterName(Root, mdMajor) + AccidentalText(Root.Accidental) + Suffix;
}

// A degree outside 1..7 is labelled "？" after its prefix.
std::string TCalculatorEx::DegreeLabel(TMode Mode, std::int32_t Degree, TChordVariant Variant) {
    const char* Prefix = Variant == cvBorrowed     ? "o"
                         : Variant == cvDorian     ? "+"
                         : Variant == cvNeapolitan ? (Mode == mdMajor ? "o-" : "-")
                                                   : " ";
    const bool InRange = Degree >= 1 && Degree <= 7;
    return Prefix + std::string(InRange ? RomanNumerals[Degree - 1] : UnknownMark);
}
