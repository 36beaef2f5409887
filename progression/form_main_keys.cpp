#include "harmony/calculator.h"
#include "progression/form_main_model.h"
#include "progression/key_codes.h"

#include <algorithm>

namespace {

// The digit 1..7 of a main-keyboard or keypad key, or 0.
std::int32_t DigitOf(std::uint16_t Key) {
    if (Key >= '1' && Key <= '7') {
        return Key - '0';
    }
    if (Key >= vkKeypad0 + 1 && Key <= vkKeypad0 + 7) {
        return Key - vkKeypad0;
    }
    return 0;
}

} // namespace

void TFormMainModel::OnKeyDown(std::uint16_t& Key, TShiftState Shift) {
    if (Key == vkUp || Key == vkDown) {
        HeldArrow = Key;
    }
    const bool Ctrl = (Shift & ssCtrl) != 0;
    const bool Alt = (Shift & ssAlt) != 0;
    const std::int32_t Digit = DigitOf(Key);
    if (Key == vkHome) {
        ResetSession();
    } else if (Key == vkUp && Ctrl) {
        ChangeKey(true, false);
    } else if (Key == vkDown && Ctrl) {
        ChangeKey(false, true);
    } else if (Key == vkRight && Ctrl) {
        ChangeKey(false, false);
    } else if (Key == vkEnter) {
        ReplayNext();
    } else if (Key == vkSpace) {
        NextInterpretation();
    } else if (IsNoteLetter(Key)) {
        EnterChordName(static_cast<char>(Key), HeldArrow == vkUp, HeldArrow == vkDown, Alt,
                       (Shift & ssShift) != 0);
    } else if (Digit != 0 && Ctrl && Alt) {
        SecondaryDominant(Digit);
    } else if (Digit != 0 && Ctrl) {
        PivotTo(Digit);
    } else if (Digit != 0) {
        // Down held borrows from the parallel minor; Alt asks for the Dorian IV or the
        // Neapolitan II. ChordOf keeps each only where it applies.
        TChordVariant Chosen = HeldArrow == vkDown ? cvBorrowed : cvNormal;
        if (Alt && Digit == DorianDegree) {
            Chosen = cvDorian;
        } else if (Alt && Digit == NeapolitanDegree) {
            Chosen = cvNeapolitan;
        }
        CommitDegree(Digit, Chosen);
    }
    Key = 0;
    TellListeners();
}

void TFormMainModel::OnKeyUp(std::uint16_t Key, TShiftState) {
    if (Key == vkUp || Key == vkDown) {
        HeldArrow = 0;
    }
}

void TFormMainModel::ChangeKey(bool FifthUp, bool FifthDown) {
    TNoteName& Tonic = Tonality.Tonic;
    if (FifthUp) {
        Tonic = TCalculator::Transpose(Tonic, PerfectFifth);
    } else if (FifthDown) {
        Tonic = TCalculator::TransposeDown(Tonic, PerfectFifth);
    } else if (Tonality.Mode == mdMajor) {
        Tonic = TCalculator::TransposeDown(Tonic, MinorThird);
        Tonality.Mode = mdMinor;
    } else {
        Tonic = TCalculator::Transpose(Tonic, MinorThird);
        Tonality.Mode = mdMajor;
    }
    Layout.WriteKeyLabel(Tonality, NextKeyLabelPlace());
    if (Cursor > 0) {
        Layout.AppendSeparator();
        LastAction = laKeyChange; // stops Enter and Space; the next key label replaces this one
    }
}

void TFormMainModel::EnterChordName(char Letter, bool Sharp, bool Flat, bool Minor,
                                    bool Diminished) {
    const std::int32_t Accidental = Sharp ? 1 : Flat ? -1 : 0;
    PlaceNamedChord(NamedTriad({Letter, Accidental}, Minor, Diminished));
}

void TFormMainModel::PlaceNamedChord(const TChord& Named) {
    TChordVariant Found = cvNormal;
    const std::int32_t InKey = TCalculatorEx::FindDegree(Tonality, Named, Found);
    if (InKey >= 0) {
        CommitDegree(InKey, Found);
        return;
    }
    CandidateIndex = 1;
    const std::optional<TChord> Previous = PreviousChord();
    if (TCalculatorEx::FindTonality(Tonality, CandidateIndex, Previous, Named)) {
        CommitNamedChord(Previous, Named, NextKeyLabelPlace());
        LastAction = laNamed;
    }
}

void TFormMainModel::CommitNamedChord(const std::optional<TChord>& Previous, const TChord& Named,
                                      TKeyLabelPlace Place, TNamedReading Reading) {
    TChordVariant NamedVariant = cvNormal;
    const std::int32_t NamedDegree = TCalculatorEx::FindDegree(Tonality, Named, NamedVariant);
    const TChord Chord = TCalculatorEx::ChordOf(NamedVariant, Tonality, NamedDegree);
    Sound(Chord, Tonality);
    if (Reading == TNamedReading::Again) {
        Layout.EraseLastChordName(Named);
    }
    WriteKeyChange(Previous, Place);
    RecordChord(Chord, NamedDegree, NamedVariant);
}

void TFormMainModel::NextInterpretation() {
    if (LastAction != laNamed && LastAction != laReplay) {
        return;
    }
    const std::size_t Placed = std::min(Progression.size(), static_cast<std::size_t>(Cursor));
    if (Placed < 2) {
        return;
    }
    const TChord Named = TCalculatorEx::ChordOf(Variant, Tonality, Degree);
    // The chord before the named one, as it was recorded: the search starts from its key.
    const TProgressionEntry& Before = Progression[Placed - 2];
    TTonality Found = Before.Tonality;
    TChordVariant BeforeVariant = Before.Variant;
    const TChord Previous = TCalculatorEx::ChordOf(BeforeVariant, Found, Before.Degree);
    if (!TCalculatorEx::FindTonality(Found, CandidateIndex, Previous, Named)) {
        return;
    }
    Tonality = Found;
    CutProgression(Placed - 1);
    // The named chord's last reading and its key label give way to this one.
    CommitNamedChord(Previous, Named, TKeyLabelPlace::ReplaceLast, TNamedReading::Again);
    LastAction = laNamed;
}

// The chord on degree Digit, made major, as the dominant of the key a fifth below: the key on
// degree Digit + 3 (Digit - 4 within the octave), in the mode of that degree's triad.
void TFormMainModel::SecondaryDominant(std::int32_t Digit) {
    std::int32_t OnDegree = Digit + 3;
    if (OnDegree > 7) {
        OnDegree -= 7;
    }
    Tonality = TCalculatorEx::SecondaryDominantKey(Tonality, OnDegree);
    TChordVariant DominantVariant = cvNormal;
    const TChord Dominant = TCalculatorEx::ChordOf(DominantVariant, Tonality, 5);
    Sound(Dominant, Tonality);
    Layout.WriteKeyLabel(Tonality, NextKeyLabelPlace());
    Layout.AppendSeparator();
    RecordChord(Dominant, 5, cvNormal);
}

void TFormMainModel::PivotTo(std::int32_t Target) {
    if (Degree == 0) {
        return;
    }
    if (TCalculatorEx::Reinterpret(Tonality, Degree, Target, Variant)) {
        Degree = Target;
        Layout.WritePivot({Tonality, Degree, Variant}, NextKeyLabelPlace());
        LastAction = laKeyChange;
    }
}
