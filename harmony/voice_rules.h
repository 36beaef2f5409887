#pragma once

#include "harmony/four_part.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

// The hard rules of four-part writing, each written once: the voice leader ranks its voicings
// with them, and a judge of four notes played after four others names what they break.

enum TVoiceRule : std::uint8_t {
    vrRootPosition = 0,  // H1 the root in the bass, the triad's three pitch classes, no other
    vrRange = 1,         // H2 each voice in its range
    vrOrder = 2,         // H3a S >= A >= T > B
    vrSpacing = 3,       // H3b S - A and A - T at most an octave
    vrParallel = 4,      // H4 no parallel unisons, fifths or octaves
    vrOverlap = 5,       // H5 no voice past the previous note of its neighbour
    vrLeadingTone = 6,   // H6 the leading tone at most once
    vrHiddenPerfect = 7, // H7 no hidden fifth or octave into the outer voices but by step
    vrAugmentedStep = 8, // H8 no voice moves by an augmented second or fourth
};

inline constexpr std::size_t RuleCount = 9;

// The rules' names as the harmony class numbers them, indexed by TVoiceRule.
inline constexpr const char* RuleNames[RuleCount] = {"H1", "H2", "H3a", "H3b", "H4",
                                                     "H5", "H6", "H7",  "H8"};
// The voices' letters, indexed by TVoice: soprano, alto, tenor, bass.
inline constexpr char VoiceLetters[4] = {'S', 'A', 'T', 'B'};

// How much a break weighs when no voicing keeps every rule: H1 is never given up, the grave
// rules go before all the others.
enum TRuleWeight : std::uint8_t { rwNever = 0, rwGrave = 1, rwOther = 2 };

inline constexpr std::size_t WeightCount = 3;

// Indexed by TVoiceRule.
inline constexpr TRuleWeight RuleWeights[RuleCount] = {
    rwNever, rwOther, rwGrave, rwOther, rwGrave, rwOther, rwGrave, rwOther, rwOther,
};

// Rules broken once by a voicing however many voices take part (the order of all four, the
// leading tone however often doubled); every other rule counts each voice or pair that
// breaks it. Indexed by TVoiceRule.
inline constexpr bool CountedOnce[RuleCount] = {
    false, false, true, false, false, false, true, false, false,
};

// The voices a break concerns, one bit per TVoice.
using TVoiceSet = std::uint8_t;

constexpr TVoiceSet VoiceBit(std::size_t Voice) {
    return static_cast<TVoiceSet>(1u << Voice);
}

constexpr TVoiceSet VoicePair(std::size_t Upper, std::size_t Lower) {
    return static_cast<TVoiceSet>(VoiceBit(Upper) | VoiceBit(Lower));
}

inline constexpr TVoiceSet AllVoices = 0xF;

// One break of a rule and the voices that break it: one voice (H2, H8, H1 for a note off the
// chord or a bass off the root), a pair (H3b, H4, H5, H7), or every voice that takes part (H3a,
// H6, and all four for a pitch class missing under H1).
struct TVoiceBreak {
    TVoiceRule Rule;
    TVoiceSet Voices;
};

inline bool operator==(const TVoiceBreak& A, const TVoiceBreak& B) {
    return A.Rule == B.Rule && A.Voices == B.Voices;
}

struct TVoiceRange {
    int Lowest;
    int Highest;
};

// Indexed by TVoice.
inline constexpr TVoiceRange VoiceRanges[4] = {{60, 79}, {55, 74}, {48, 67}, {40, 62}};

inline constexpr int MostSpacing = 12;     // H3b, soprano to alto and alto to tenor
inline constexpr int LargestStep = 2;      // H7, a soprano step into a hidden fifth or octave
inline constexpr int MostLeadingTones = 1; // H6

// Every break of Next, led from Previous (none for a first chord: then only H1, H2, H3 and H6
// can break), in the order of the rules, each counted as the leader weighs it. Any two
// voicings may be judged; a note off the chord breaks H1 and takes no part in H8.
std::vector<TVoiceBreak> VoiceBreaks(const std::optional<TVoicedChord>& Previous,
                                     const TFourVoices& Next, const TFourPartChord& Chord);

// A break as the harmony class writes it: the rule, then the voices by their letters, "H4 S-B".
std::string BreakText(const TVoiceBreak& Break);

// How many of Breaks each weight holds, indexed by TRuleWeight.
std::array<int, WeightCount> WeightsOf(const std::vector<TVoiceBreak>& Breaks);

// The rules one at a time, for a search that builds a voicing voice by voice.

inline int PitchClassOfNote(int Note) {
    return (Note % 12 + 12) % 12;
}

// Which of the chord's three tones (root, third, fifth) has Note's pitch class; -1 for none.
inline int ChordToneOf(const TFourPartChord& Chord, int Note) {
    const int PitchClass = PitchClassOfNote(Note);
    for (int Tone = 0; Tone < 3; ++Tone) {
        if (Chord.PitchClasses[static_cast<std::size_t>(Tone)] == PitchClass) {
            return Tone;
        }
    }
    return -1;
}

// H1 before the bass is chosen: whether the voices down to Last (above the bass) leave no
// more of the third and the fifth missing than the voices still to come above the bass can
// give, the bass taking the root.
inline bool CanHoldEveryTone(const TFourPartChord& Chord, const TFourVoices& V, std::size_t Last) {
    bool Held[3] = {true, false, false};
    for (std::size_t Voice = 0; Voice <= Last; ++Voice) {
        const int Tone = ChordToneOf(Chord, V[Voice]);
        if (Tone >= 0) {
            Held[Tone] = true;
        }
    }
    const int Missing = !Held[1] + !Held[2];
    return Missing <= static_cast<int>(vcBass - 1 - Last);
}

// H2
inline bool InRange(std::size_t Voice, int Note) {
    return Note >= VoiceRanges[Voice].Lowest && Note <= VoiceRanges[Voice].Highest;
}

// H3a: whether Lower's note lies under the voice right above it as the order asks (the bass
// strictly under the tenor, the others at most at their upper neighbour's note).
inline bool InOrder(std::size_t Lower, int UpperNote, int LowerNote) {
    return Lower == vcBass ? UpperNote > LowerNote : UpperNote >= LowerNote;
}

// H3b: the pair that ends in Lower spaced too wide (the tenor and bass may lie any distance).
inline bool TooWide(std::size_t Lower, int UpperNote, int LowerNote) {
    return Lower != vcBass && UpperNote - LowerNote > MostSpacing;
}

// The distance of two notes modulo the octave, whichever is higher.
inline int IntervalClass(int A, int B) {
    return (A > B ? A - B : B - A) % 12;
}

// The perfect unison, octave and fifth of H4 and H7.
inline bool IsPerfect(int IntervalClass) {
    return IntervalClass == 0 || IntervalClass == 7;
}

// H4: two voices that both move from a perfect unison, octave or fifth into the same again.
inline bool InParallel(int PreviousUpper, int PreviousLower, int Upper, int Lower) {
    const int Before = IntervalClass(PreviousUpper, PreviousLower);
    return PreviousUpper != Upper && PreviousLower != Lower && IsPerfect(Before) &&
           Before == IntervalClass(Upper, Lower);
}

// H5: two adjacent voices, the upper going under the lower's previous note or the lower above
// the upper's.
inline bool Overlaps(int PreviousUpper, int PreviousLower, int Upper, int Lower) {
    return Upper < PreviousLower || Lower > PreviousUpper;
}

// H6
inline bool IsLeadingTone(const TFourPartChord& Chord, int Note) {
    return PitchClassOfNote(Note) == Chord.LeadingTone;
}

// H7: soprano and bass both moving the same way into a perfect fifth or octave, the soprano
// by more than a step.
inline bool HiddenPerfect(int PreviousSoprano, int PreviousBass, int Soprano, int Bass) {
    const int SopranoMove = Soprano - PreviousSoprano;
    const int BassMove = Bass - PreviousBass;
    const bool SameWay = (SopranoMove > 0 && BassMove > 0) || (SopranoMove < 0 && BassMove < 0);
    return SameWay && IsPerfect(IntervalClass(Soprano, Bass)) &&
           (SopranoMove > LargestStep || SopranoMove < -LargestStep);
}

// A spelled note in its octave: Place counts letters from C of MIDI octave 0, so that two
// notes' letters lie Place apart (B♯3 is one letter under C4, though both sound MIDI 60).
struct TPlacedNote {
    int Midi;
    int Place;
};

// The natural notes' pitch classes, from C.
inline constexpr int LetterPitchClasses[7] = {0, 2, 4, 5, 7, 9, 11};

inline TPlacedNote PlacedNote(TNoteName Name, int Midi) {
    const int Letter = (Name.Letter - 'C' + 7) % 7;
    const int Natural = Midi - Name.Accidental - LetterPitchClasses[Letter];
    const int Octave = Natural >= 0 ? Natural / 12 : -((11 - Natural) / 12);
    return {Midi, Octave * 7 + Letter};
}

// An augmented interval within the octave: its letter steps and semitones.
struct TAugmented {
    int Steps;
    int Semitones;
};

inline constexpr TAugmented AugmentedSteps[2] = {
    {1, 3}, // the augmented second, F–G♯
    {3, 6}, // the augmented fourth, F–B
};

// H8: a move by an augmented second or fourth, or either with octaves added. A voice that
// stays, or is spelled anew on the same key, does not move.
inline bool IsAugmentedStep(TPlacedNote From, TPlacedNote To) {
    const bool Rising = From.Midi < To.Midi;
    const int Steps = Rising ? To.Place - From.Place : From.Place - To.Place;
    const int Semitones = Rising ? To.Midi - From.Midi : From.Midi - To.Midi;
    if (Semitones == 0 || Steps < 0) {
        return false;
    }
    for (const TAugmented& Interval : AugmentedSteps) {
        if (Steps % 7 == Interval.Steps && Semitones - 12 * (Steps / 7) == Interval.Semitones) {
            return true;
        }
    }
    return false;
}

// What the rules need of one step: the chord, and the notes before it, each placed as the
// chord before spelled it (not placed when that chord is unknown: then H8 sees nothing).
struct TStepContext {
    const TFourPartChord& Chord;
    std::optional<TFourVoices> Previous;
    std::array<std::optional<TPlacedNote>, 4> PreviousPlaced;
};

TStepContext StepContextOf(const std::optional<TVoicedChord>& Previous,
                           const TFourPartChord& Chord);

// A voicing's breaks are found voice by voice from the soprano down, for a search that leaves
// a branch as soon as it cannot win and for VoiceBreaks alike: Add(Rule, Voices) for each. A
// rule counted once is reported again for each voice that takes part; VoiceBreaks joins them.

// The breaks of Voice's note alone, against the note the voice sang before: a note off the
// chord or a bass off the root (H1), the range (H2), an augmented step (H8).
template <class TAdd>
void BreaksOfNote(const TStepContext& Step, std::size_t Voice, int Note, TAdd&& Add) {
    const TFourPartChord& Chord = Step.Chord;
    const int Tone = ChordToneOf(Chord, Note);
    if (Tone < 0 || (Voice == vcBass && Tone != 0)) {
        Add(vrRootPosition, VoiceBit(Voice));
    }
    if (!InRange(Voice, Note)) {
        Add(vrRange, VoiceBit(Voice));
    }
    const std::optional<TPlacedNote>& From = Step.PreviousPlaced[Voice];
    if (From && Tone >= 0 &&
        IsAugmentedStep(*From, PlacedNote(Chord.Names[static_cast<std::size_t>(Tone)], Note))) {
        Add(vrAugmentedStep, VoiceBit(Voice));
    }
}

// The breaks that Voice's note adds against the voices above it (already in V): a pitch class
// missing once the bass is in (H1), order and spacing (H3), parallels (H4), overlap (H5), the
// leading tone doubled (H6), a hidden fifth or octave (H7).
template <class TAdd>
void BreaksUnderVoices(const TStepContext& Step, const TFourVoices& V, std::size_t Voice,
                       TAdd&& Add) {
    const TFourPartChord& Chord = Step.Chord;
    const int Note = V[Voice];
    if (Voice == vcBass) {
        const int Held[4] = {ChordToneOf(Chord, V[0]), ChordToneOf(Chord, V[1]),
                             ChordToneOf(Chord, V[2]), ChordToneOf(Chord, Note)};
        for (int Missing = 0; Missing < 3; ++Missing) {
            if (std::find(std::begin(Held), std::end(Held), Missing) == std::end(Held)) {
                Add(vrRootPosition, AllVoices);
            }
        }
    }
    if (Voice != vcSoprano) {
        const std::size_t Upper = Voice - 1;
        if (!InOrder(Voice, V[Upper], Note)) {
            Add(vrOrder, VoicePair(Upper, Voice));
        }
        if (TooWide(Voice, V[Upper], Note)) {
            Add(vrSpacing, VoicePair(Upper, Voice));
        }
    }
    if (IsLeadingTone(Chord, Note)) {
        TVoiceSet Holders = VoiceBit(Voice);
        int Count = 1;
        for (std::size_t Above = 0; Above < Voice; ++Above) {
            if (IsLeadingTone(Chord, V[Above])) {
                Holders = static_cast<TVoiceSet>(Holders | VoiceBit(Above));
                ++Count;
            }
        }
        if (Count > MostLeadingTones) {
            Add(vrLeadingTone, Holders);
        }
    }
    if (!Step.Previous) {
        return;
    }
    const TFourVoices& P = *Step.Previous;
    for (std::size_t Above = 0; Above < Voice; ++Above) {
        if (InParallel(P[Above], P[Voice], V[Above], Note)) {
            Add(vrParallel, VoicePair(Above, Voice));
        }
    }
    if (Voice != vcSoprano && Overlaps(P[Voice - 1], P[Voice], V[Voice - 1], Note)) {
        Add(vrOverlap, VoicePair(Voice - 1, Voice));
    }
    if (Voice == vcBass && HiddenPerfect(P[vcSoprano], P[vcBass], V[vcSoprano], Note)) {
        Add(vrHiddenPerfect, VoicePair(vcSoprano, vcBass));
    }
}
