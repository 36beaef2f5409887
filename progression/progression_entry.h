#pragma once

#include "harmony/chord.h"
#include "harmony/four_part.h"
#include "harmony/voice_rules.h"

#include <cstdint>
#include <optional>
#include <vector>

// One recorded chord: the key it was placed in, its degree there and its variant. The chord
// itself is rebuilt with ChordOf whenever it is needed.
struct TProgressionEntry {
    TTonality Tonality;
    std::int32_t Degree;
    TChordVariant Variant;
    // The four voices it last sounded with; nothing when it never sounded in four parts (a
    // block chord, an entry read from a file). Not written to a progression file.
    std::optional<TFourVoices> Voices = std::nullopt;
    // For four voices played in on an input keyboard: the rules they broke against the four
    // played before. Not written to a progression file.
    std::vector<TVoiceBreak> Breaks = {};
};

// What the last command that took effect did: it gates Enter and Space and decides where
// the next key label goes.
enum TLastAction : std::uint8_t {
    laNone = 0,
    laReplay = 1,
    laKeyChange = 2,
    laDegree = 3,
    laNamed = 4,
};
