#include "harmony/calculator.h"

namespace {

bool HasIntervals(const TChord& Chord, TInterval Third, TInterval Fifth) {
    const TChordTones& Tones = Chord.Tones;
    return TCalculator::SameInterval(TCalculator::IntervalBetween(Tones[1], Tones[0]), Third) &&
           TCalculator::SameInterval(TCalculator::IntervalBetween(Tones[2], Tones[0]), Fifth);
}

} // namespace

TChordTones TCalculator::TriadOnDegree(const TScale& Scale, std::int32_t Degree) {
    const std::size_t Root = DegreeIndex(Degree);
    const std::size_t Third = (Root + 2) % 7;
    const std::size_t Fifth = (Root + 4) % 7;
    return {{{0, 0},
             IntervalBetween(Scale[Third], Scale[Root]),
             IntervalBetween(Scale[Fifth], Scale[Root]),
             EndOfTones,
             {0, 0}}};
}

TChord TCalculator::BuildChord(TNoteName Tonic, const TScale& Scale, std::int32_t Degree) {
    return {Transpose(Tonic, Scale[DegreeIndex(Degree)]), TriadOnDegree(Scale, Degree)};
}

bool TCalculator::SameTones(const TChordTones& A, const TChordTones& B) {
    // Both lists end at slot 3 in every chord the system builds; a list without an end
    // marker is compared up to the last slot.
    for (std::size_t i = 1; i < A.size() && (A[i].Steps >= 0 || B[i].Steps >= 0); ++i) {
        if (!SameInterval(IntervalBetween(A[i], A[0]), IntervalBetween(B[i], B[0]))) {
            return false;
        }
    }
    return true;
}

bool TCalculator::SameChord(const TChord& A, const TChord& B) {
    return SameNote(SoundingRoot(A), SoundingRoot(B)) && SameTones(A.Tones, B.Tones);
}

TNoteName TCalculator::SoundingRoot(const TChord& Chord) {
    return Transpose(Chord.Root, Chord.Tones[0]);
}

TChordTones TCalculatorEx::ChordTonesOf(TChordVariant& Variant, TMode Mode, std::int32_t Degree) {
    TChordTones Tones = TriadOnDegree(ScaleOf(Mode, Variant, Degree), Degree);
    if (!IsBorrowedChord(Mode, Variant, Degree)) { // a borrowed chord is not altered
        ApplyVariant(Tones, Variant, Mode, Degree);
    }
    return Tones;
}

TChord TCalculatorEx::ChordOf(TChordVariant& Variant, TTonality Tonality, std::int32_t Degree) {
    const TScale& Scale = ScaleOf(Tonality.Mode, Variant, Degree);
    const TNoteName Root = Transpose(Tonality.Tonic, Scale[DegreeIndex(Degree)]);
    return {Root, ChordTonesOf(Variant, Tonality.Mode, Degree)};
}

void TCalculatorEx::ApplyVariant(TChordTones& Tones, TChordVariant& Variant, TMode Mode,
                                 std::int32_t Degree) {
    if (Variant == cvDorian && HasDorian(Mode, Degree)) {
        Tones[1].Alter = 0;
        Tones[2].Alter = -1;
    } else if (Variant == cvNeapolitan && HasNeapolitan(Degree)) {
        Tones[0].Alter = -1;
        Tones[2].Alter = -2;
    } else if (Mode == mdMinor && Degree == 5) {
        Tones[1].Alter = 0; // the minor key's dominant is major
        Variant = cvNormal;
    } else if (Mode == mdMinor && Degree == 7) {
        Tones[0].Alter = 1; // the leading-tone triad stands on the raised seventh
        Variant = cvNormal;
    } else {
        Variant = cvNormal;
    }
}

bool TCalculatorEx::IsMajorTriad(const TChord& Chord) {
    return HasIntervals(Chord, {2, 0}, {4, -1});
}

bool TCalculatorEx::IsMinorTriad(const TChord& Chord) {
    return HasIntervals(Chord, {2, -1}, {4, -1});
}

bool TCalculatorEx::IsDiminishedTriad(const TChord& Chord) {
    return HasIntervals(Chord, {2, -1}, {4, -2});
}

bool TCalculatorEx::SameTonality(TTonality A, TTonality B) {
    return SameNote(A.Tonic, B.Tonic) && A.Mode == B.Mode;
}

TMode TCalculatorEx::OtherMode(TMode Mode) {
    return Mode == mdMajor ? mdMinor : mdMajor;
}

TTonality TCalculatorEx::SecondaryDominantKey(TTonality Key, std::int32_t Degree) {
    TChordVariant Plain = cvNormal;
    TChord OnTriad = ChordOf(Plain, Key, Degree);
    OnTriad.Tones[0] = MakeInterval(0, 0);
    return {OnTriad.Root, ModeOf(OnTriad)};
}

TMode TCalculatorEx::ModeOf(const TChord& Triad) {
    return IsMajorTriad(Triad) ? mdMajor : mdMinor;
}
