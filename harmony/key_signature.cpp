#include "harmony/key_signature.h"

namespace {

// The natural letters' places on the circle of fifths from C, indexed A..G.
constexpr std::int32_t kLetterFifths[7] = {3, 5, 0, 2, 4, -1, 1};
// A minor key has the signature of the major key a minor third above: three fifths fewer.
constexpr std::int32_t kMinorOffset = -3;
// A sharp on the tonic moves the key seven fifths up.
constexpr std::int32_t kFifthsPerAccidental = 7;

// Twelve fifths up the circle come back to the same pitch class a letter higher.
constexpr std::int64_t kFifthsPerCircle = 12;
constexpr std::int32_t kMostWrittenFifths = 7;
// Letters by their place on the circle of fifths, from F (-1) on.
constexpr char kLettersByFifths[7] = {'F', 'C', 'G', 'D', 'A', 'E', 'B'};

std::int64_t FloorDiv(std::int64_t A, std::int64_t B) {
    return A / B - (A % B != 0 && (A < 0) != (B < 0) ? 1 : 0);
}

// The note at Fifths on the circle from C: letter by the place, a sharp per seven fifths.
TNoteName NoteAtFifths(std::int64_t Fifths) {
    const std::int64_t FromF = Fifths + 1;
    const std::int64_t Place = FromF - 7 * FloorDiv(FromF, 7);
    return {kLettersByFifths[Place], static_cast<std::int32_t>(FloorDiv(FromF, 7))};
}

} // namespace

std::int32_t KeySignatureFifths(const TTonality& Key) {
    if (!IsNoteLetter(static_cast<unsigned char>(Key.Tonic.Letter))) {
        return 0;
    }
    const std::int64_t Fifths =
        kLetterFifths[Key.Tonic.Letter - 'A'] +
        static_cast<std::int64_t>(Key.Tonic.Accidental) * kFifthsPerAccidental +
        (Key.Mode == mdMinor ? kMinorOffset : 0);
    return static_cast<std::int32_t>(Fifths);
}

TTonality WrittenKey(const TTonality& Key) {
    const std::int64_t Fifths = KeySignatureFifths(Key);
    if (Fifths >= -kMostWrittenFifths && Fifths <= kMostWrittenFifths) {
        return Key;
    }
    // The twin within seven: the multiple of twelve nearest Fifths taken away; six either
    // way (F♯ major's twin past twelve) stays on the key's own side.
    const std::int64_t Circles =
        FloorDiv(Fifths + kFifthsPerCircle / 2 - (Fifths > 0 ? 1 : 0), kFifthsPerCircle);
    const std::int64_t Tonic = Fifths - (Key.Mode == mdMinor ? kMinorOffset : 0);
    return {NoteAtFifths(Tonic - Circles * kFifthsPerCircle), Key.Mode};
}
