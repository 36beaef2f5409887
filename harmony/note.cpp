#include "harmony/calculator.h"
#include "harmony/fatal_exit.h"

namespace {

// Results are kept in 32 bits as the records hold them; the arithmetic runs in 64 bits so
// that even absurd accidentals wrap instead of overflowing.
std::int32_t To32(std::int64_t Value) {
    return static_cast<std::int32_t>(Value);
}

void RequireValidLetter(TNoteName Note) {
    if (!IsNoteLetter(static_cast<unsigned char>(Note.Letter))) {
        FatalExit("音名\"" + std::string(1, Note.Letter) + "\"は不正です");
    }
}

// Steps into 0..6; an octave is 7 steps and 12 semitones, so the pitch is kept.
TInterval NormalForm(TInterval By) {
    std::int64_t Octaves = By.Steps / 7;
    if (By.Steps % 7 < 0) {
        --Octaves;
    }
    return {To32(By.Steps - 7 * Octaves), To32(By.Alter + 2 * Octaves)};
}

} // namespace

TInterval TCalculator::MakeInterval(std::int32_t Steps, std::int32_t Alter) {
    return {Steps, Alter};
}

TNoteName TCalculator::Transpose(TNoteName Note, TInterval By) {
    RequireValidLetter(Note);
    const TInterval Normal = NormalForm(By);
    const std::int32_t Start = LetterNumber(Note);
    // Letter numbers counted upward past B (C = 8 ...): the natural half steps E-F and B-C
    // lie between 3 and 4, 7 and 8, 10 and 11.
    const std::int32_t Target = Start + Normal.Steps;
    const std::int32_t HalfStepsBelowTarget = Target >= 11  ? 3
                                              : Target >= 8 ? 2
                                              : Target >= 4 ? 1
                                                            : 0;
    const std::int32_t HalfStepsBelowStart = Start >= 4 ? 1 : 0;
    int Letter = Note.Letter + Normal.Steps;
    if (Letter > 'G') {
        Letter -= 7;
    }
    const std::int64_t Accidental = static_cast<std::int64_t>(Note.Accidental) +
                                    (HalfStepsBelowTarget - HalfStepsBelowStart) + Normal.Alter;
    return {static_cast<char>(Letter), To32(Accidental)};
}

TNoteName TCalculator::TransposeDown(TNoteName Note, TInterval By) {
    return Transpose(Note, {To32(-static_cast<std::int64_t>(By.Steps)),
                            To32(-static_cast<std::int64_t>(By.Alter))});
}

TInterval TCalculator::IntervalFromTo(TNoteName Lower, TNoteName Upper) {
    RequireValidLetter(Lower);
    RequireValidLetter(Upper);
    // Semitones of the natural notes C..B above C, by letter number 1..7.
    static constexpr std::int32_t Natural[8] = {0, 0, 2, 4, 5, 7, 9, 11};
    const std::int32_t From = LetterNumber(Lower);
    const std::int32_t To = LetterNumber(Upper);
    const std::int32_t Steps = To >= From ? To - From : To - From + 7;
    const std::int64_t Semitones = static_cast<std::int64_t>(Natural[To]) - Natural[From] +
                                   (To >= From ? 0 : 12) + Upper.Accidental - Lower.Accidental;
    return {Steps, To32(Semitones - 2 * Steps)};
}

TInterval TCalculator::IntervalBetween(TInterval Upper, TInterval Lower) {
    std::int64_t Steps = static_cast<std::int64_t>(Upper.Steps) - Lower.Steps;
    std::int64_t Alter = static_cast<std::int64_t>(Upper.Alter) - Lower.Alter;
    if (Steps < 0) {
        Steps += 7;
        Alter -= 2;
    }
    return {To32(Steps), To32(Alter)};
}

std::int32_t TCalculator::PitchClass(TNoteName Note) {
    RequireValidLetter(Note);
    std::int32_t Natural = 2 * (LetterNumber(Note) - 1);
    if (Natural >= 6) {
        Natural -= 1;
    }
    // C++ remainder truncates like the original arithmetic: below -60 the result is negative.
    return To32((static_cast<std::int64_t>(Natural) + 60 + Note.Accidental) % 12);
}

std::int32_t TCalculator::LetterNumber(TNoteName Note) {
    const auto Code = static_cast<unsigned char>(Note.Letter);
    return Code >= 'C' ? Code - 'C' + 1 : Code - 'A' + 6;
}

bool TCalculator::SameNote(TNoteName A, TNoteName B) {
    return A.Letter == B.Letter && A.Accidental == B.Accidental;
}

bool TCalculator::SameInterval(TInterval A, TInterval B) {
    return A.Steps == B.Steps && A.Alter == B.Alter;
}
