#include "practice/answer_keys.h"

#include "harmony/calculator.h"
#include "harmony/key_signature.h"
#include "progression/key_codes.h"

#include <optional>

namespace {

// What of the model's state the answer's keys depend on.
struct TKeyState {
    TTonality Tonality;
    std::int32_t Degree = 0;
    TChordVariant Variant = cvNormal;
};

class TTypist {
public:
    explicit TTypist(TTonality Key) : State{Key} {}

    // Places Entry, reaching its key first.
    void Place(const TProgressionEntry& Entry) {
        if (TCalculatorEx::SameTonality(State.Tonality, Entry.Tonality)) {
            PlaceInKey(Entry);
        } else if (!PlaceAsSecondaryDominant(Entry) && !ReadAgainTowards(Entry)) {
            ChangeKeyTo(Entry.Tonality);
            PlaceInKey(Entry);
        }
    }

    std::vector<TKeyStroke> Strokes;

private:
    void Press(std::uint16_t Key, TShiftState Shift = 0) {
        Strokes.push_back({TKeyMotion::Down, Key, Shift});
    }
    void Release(std::uint16_t Key, TShiftState Shift = 0) {
        Strokes.push_back({TKeyMotion::Up, Key, Shift});
    }
    static std::uint16_t DigitKey(std::int32_t Digit) {
        return static_cast<std::uint16_t>('0' + Digit);
    }

    void PlaceInKey(const TProgressionEntry& Entry) {
        TChordVariant Variant = Entry.Variant;
        TCalculatorEx::ChordOf(Variant, Entry.Tonality, Entry.Degree);
        if (Variant == cvBorrowed) {
            Press(vkDown);
            Press(DigitKey(Entry.Degree));
            Release(vkDown);
        } else {
            Press(DigitKey(Entry.Degree), Variant == cvNormal ? 0 : ssAlt);
        }
        State = {Entry.Tonality, Entry.Degree, Variant};
    }

    // The digit whose Ctrl+Alt plays Entry from Key: the dominant of the key on digit + 3.
    static std::optional<std::int32_t> DominantDigit(TTonality Key,
                                                     const TProgressionEntry& Entry) {
        if (Entry.Degree != 5 || Entry.Variant != cvNormal) {
            return std::nullopt;
        }
        for (std::int32_t Digit = 1; Digit <= 7; ++Digit) {
            const std::int32_t OnDegree = Digit + 3 > 7 ? Digit - 4 : Digit + 3;
            if (TCalculatorEx::SameTonality(TCalculatorEx::SecondaryDominantKey(Key, OnDegree),
                                            Entry.Tonality)) {
                return Digit;
            }
        }
        return std::nullopt;
    }

    bool PlaceAsSecondaryDominant(const TProgressionEntry& Entry) {
        const std::optional<std::int32_t> Digit = DominantDigit(State.Tonality, Entry);
        if (Digit) {
            Press(DigitKey(*Digit), ssCtrl | ssAlt);
            State = {Entry.Tonality, 5, cvNormal};
        }
        return Digit.has_value();
    }

    // Reads the chord just placed as another degree (Ctrl+digit), into Entry's key or into one
    // whose Ctrl+Alt reaches it, then places it.
    bool ReadAgainTowards(const TProgressionEntry& Entry) {
        if (State.Degree == 0) {
            return false;
        }
        for (std::int32_t Digit = 1; Digit <= 7; ++Digit) {
            TKeyState Read = State;
            if (!TCalculatorEx::Reinterpret(Read.Tonality, State.Degree, Digit, Read.Variant)) {
                continue;
            }
            Read.Degree = Digit;
            const bool There = TCalculatorEx::SameTonality(Read.Tonality, Entry.Tonality);
            if (There || DominantDigit(Read.Tonality, Entry)) {
                Press(DigitKey(Digit), ssCtrl);
                State = Read;
                if (There) {
                    PlaceInKey(Entry);
                } else {
                    PlaceAsSecondaryDominant(Entry);
                }
                return true;
            }
        }
        return false;
    }

    void PressArrow(std::uint16_t Arrow) {
        Press(Arrow, ssCtrl);
        if (Arrow != vkRight) {
            Release(Arrow, ssCtrl); // a held arrow would sharpen or borrow the next chord
        }
    }

    // Ctrl+Right to the other mode, then Ctrl+Up or Ctrl+Down a fifth at a time.
    void ChangeKeyTo(TTonality Key) {
        if (State.Tonality.Mode != Key.Mode) {
            PressArrow(vkRight);
        }
        const std::int64_t Fifths =
            static_cast<std::int64_t>(KeySignatureFifths(Key)) - KeySignatureFifths(State.Tonality);
        for (std::int64_t i = 0; i < (Fifths < 0 ? -Fifths : Fifths); ++i) {
            PressArrow(Fifths > 0 ? vkUp : vkDown);
        }
        State.Tonality = Key;
    }

    TKeyState State;
};

} // namespace

std::vector<TKeyStroke> AnswerKeys(const TQuestion& Question) {
    TTypist Typist(Question.Key());
    for (const TProgressionEntry& Entry : Question.Entries) {
        Typist.Place(Entry);
    }
    return std::move(Typist.Strokes);
}
