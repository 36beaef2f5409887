#include "harmony/key_signature.h"

namespace {

// The natural letters' places on the circle of fifths from C, indexed A..G.
constexpr std::int32_t kLetterFifths[7] = {3, 5, 0, 2, 4, -1, 1};
// A minor key has the signature of the major key a minor third above: three fifths fewer.
constexpr std::int32_t kMinorOffset = -3;
// A sharp on the tonic moves the key seven fifths up.
constexpr std::int32_t kFifthsPerAccidental = 7;

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
