#include "harmony/four_part.h"

#include "harmony/calculator.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// Where the first chord's soprano and bass are best placed: C5, and C3 below it.
constexpr int kFirstSoprano = 72;
constexpr int kFirstBass = 48;
constexpr int kSpacing = 12;     // the most between soprano and alto, alto and tenor
constexpr int kLargestStep = 2;  // a soprano step into a hidden fifth or octave
constexpr int kPerfectFifth = 7; // interval classes of parallels
constexpr int kOctave = 0;
// H1 and H6 once, H2 per voice, H3 three times, H4 per pair, H5 per adjacent pair, H7 once.
constexpr int kMostBreaks = 1 + 1 + 4 + 3 + 6 + 3 + 1;

int PitchClassOfNote(int Note) {
    return Note % 12;
}

int Normalised(std::int32_t PitchClass) {
    return (PitchClass % 12 + 12) % 12;
}

bool IsPerfect(int IntervalClass) {
    return IntervalClass == kOctave || IntervalClass == kPerfectFifth;
}

int IntervalClass(int A, int B) {
    return std::abs(A - B) % 12;
}

// The notes of the chord's pitch classes from Low to High, ascending.
struct TNotes {
    std::array<int, HighestSearchedNote - LowestSearchedNote + 1> Items{};
    std::size_t Count = 0;
};

TNotes ChordNotes(const TFourPartChord& Chord, int Low, int High) {
    TNotes Notes;
    for (int Note = Low; Note <= High; ++Note) {
        for (const int PitchClass : Chord.PitchClasses) {
            if (PitchClassOfNote(Note) == PitchClass) {
                Notes.Items[Notes.Count++] = Note;
                break;
            }
        }
    }
    return Notes;
}

// A voicing's standing, compared field by field: fewer breaks of the hard rules first, then
// the preferences in order; the first voicing found wins a tie.
using TRank = std::array<int, 6>;

class TSearch {
public:
    TSearch(const std::optional<TFourVoices>& Previous, const TFourPartChord& Chord)
        : Previous(Previous), Chord(Chord) {
        Best.fill(0);
        BestRank.fill(std::numeric_limits<int>::max());
    }

    // Every voicing with each voice between the bounds given for it that breaks no more
    // than Limit rules.
    void Run(const std::array<TVoiceRange, 4>& Bounds, int Limit) {
        this->Limit = Limit;
        for (std::size_t Voice = 0; Voice < 4; ++Voice) {
            Candidates[Voice] = ChordNotes(Chord, Bounds[Voice].Lowest, Bounds[Voice].Highest);
        }
        TFourVoices Voicing{};
        Visit(Voicing, vcSoprano, 0, false);
    }

    bool Found() const { return BestRank[0] != std::numeric_limits<int>::max(); }
    int BestBreaks() const { return BestRank[0]; }
    const TFourVoices& BestVoicing() const { return Best; }

private:
    // Chooses voice Voice; Breaks counts what the voices above it already break.
    void Visit(TFourVoices& Voicing, std::size_t Voice, int Breaks, bool OrderBroken) {
        const TNotes& Notes = Candidates[Voice];
        const int Bound = std::min(Limit, BestRank[0]);
        for (std::size_t i = 0; i < Notes.Count; ++i) {
            Voicing[Voice] = Notes.Items[i];
            bool Order = OrderBroken;
            const int Total = Breaks + BreaksOfVoice(Voicing, Voice, Order);
            if (Total > Bound) {
                if (Order && !OrderBroken && Breaks + 1 > Bound) {
                    break; // the notes above this one are out of order too
                }
                continue; // cannot tie the best any more
            }
            if (Voice == vcBass) {
                Consider(Voicing, Total + BreaksOfChord(Voicing));
            } else {
                Visit(Voicing, Voice + 1, Total, Order);
            }
        }
    }

    // The breaks that choosing Voice adds, given the voices above it: its range (H2), order
    // and spacing (H3), and, after a chord, parallels with the voices above (H4) and overlap
    // with the voice right above (H5).
    int BreaksOfVoice(const TFourVoices& V, std::size_t Voice, bool& OrderBroken) const {
        int Breaks = 0;
        if (V[Voice] < VoiceRanges[Voice].Lowest || V[Voice] > VoiceRanges[Voice].Highest) {
            ++Breaks;
        }
        if (Voice == vcSoprano) {
            return Breaks;
        }
        const int Above = V[Voice - 1];
        const bool InOrder = Voice == vcBass ? Above > V[Voice] : Above >= V[Voice];
        if (!InOrder && !OrderBroken) {
            OrderBroken = true; // the order counts once for all four
            ++Breaks;
        }
        if (Voice != vcBass && Above - V[Voice] > kSpacing) {
            ++Breaks;
        }
        if (!Previous) {
            return Breaks;
        }
        const TFourVoices& P = *Previous;
        for (std::size_t Upper = 0; Upper < Voice; ++Upper) {
            const bool BothMove = P[Upper] != V[Upper] && P[Voice] != V[Voice];
            const int Before = IntervalClass(P[Upper], P[Voice]);
            if (BothMove && IsPerfect(Before) && Before == IntervalClass(V[Upper], V[Voice])) {
                ++Breaks;
            }
        }
        if (V[Voice - 1] < P[Voice] || V[Voice] > P[Voice - 1]) {
            ++Breaks;
        }
        return Breaks;
    }

    // The breaks of the whole chord: the bass on the root and all three pitch classes (H1),
    // the leading tone once at most (H6), hidden fifths and octaves into the outer voices (H7).
    int BreaksOfChord(const TFourVoices& V) const {
        int Breaks = 0;
        std::array<int, 3> Counts = CountsOf(V);
        if (PitchClassOfNote(V[vcBass]) != Chord.PitchClasses[0] || Counts[0] == 0 ||
            Counts[1] == 0 || Counts[2] == 0) {
            ++Breaks;
        }
        int LeadingTones = 0;
        for (const int Note : V) {
            LeadingTones += PitchClassOfNote(Note) == Chord.LeadingTone;
        }
        if (LeadingTones > 1) {
            ++Breaks;
        }
        if (Previous) {
            const int Soprano = V[vcSoprano] - (*Previous)[vcSoprano];
            const int Bass = V[vcBass] - (*Previous)[vcBass];
            const bool SameDirection = (Soprano > 0 && Bass > 0) || (Soprano < 0 && Bass < 0);
            if (SameDirection && IsPerfect(IntervalClass(V[vcSoprano], V[vcBass])) &&
                std::abs(Soprano) > kLargestStep) {
                ++Breaks;
            }
        }
        return Breaks;
    }

    std::array<int, 3> CountsOf(const TFourVoices& V) const {
        std::array<int, 3> Counts{};
        for (const int Note : V) {
            for (std::size_t k = 0; k < 3; ++k) {
                Counts[k] += PitchClassOfNote(Note) == Chord.PitchClasses[k];
            }
        }
        return Counts;
    }

    void Consider(const TFourVoices& V, int Breaks) {
        const TRank Rank = Previous ? RankAfter(*Previous, V, Breaks) : FirstRank(V, Breaks);
        if (Rank < BestRank) {
            BestRank = Rank;
            Best = V;
        }
    }

    // Root doubled, or the third in a diminished triad.
    int DoublingMiss(const TFourVoices& V) const {
        return CountsOf(V)[Chord.Diminished ? 1 : 0] < 2 ? 1 : 0;
    }

    TRank FirstRank(const TFourVoices& V, int Breaks) const {
        const bool Close = V[vcSoprano] - V[vcTenor] <= kSpacing;
        return {Breaks,
                DoublingMiss(V),
                Close ? 0 : 1,
                std::abs(V[vcSoprano] - kFirstSoprano),
                std::abs(V[vcBass] - kFirstBass),
                0};
    }

    TRank RankAfter(const TFourVoices& P, const TFourVoices& V, int Breaks) const {
        const bool LeadingToneAbove = Chord.TonicTriad &&
                                      PitchClassOfNote(P[vcSoprano]) == Chord.LeadingTone &&
                                      V[vcSoprano] != P[vcSoprano] + 1;
        int CommonTonesMoved = 0;
        int Motion = 0;
        for (const std::size_t Voice : {vcSoprano, vcAlto, vcTenor}) {
            const int Before = PitchClassOfNote(P[Voice]);
            const bool Common = Before == Chord.PitchClasses[0] ||
                                Before == Chord.PitchClasses[1] || Before == Chord.PitchClasses[2];
            CommonTonesMoved += Common && V[Voice] != P[Voice];
            Motion += std::abs(V[Voice] - P[Voice]);
        }
        return {Breaks, LeadingToneAbove ? 1 : 0,       DoublingMiss(V), CommonTonesMoved,
                Motion, std::abs(V[vcBass] - P[vcBass])};
    }

    const std::optional<TFourVoices>& Previous;
    const TFourPartChord& Chord;
    std::array<TNotes, 4> Candidates;
    TFourVoices Best;
    TRank BestRank;
    int Limit = 0;
};

} // namespace

TFourPartChord FourPartChordOf(const TChord& Chord, const TTonality& Key) {
    const TNoteName Root = TCalculator::SoundingRoot(Chord);
    const bool TonicTriad = TCalculator::SameNote(Root, Key.Tonic) &&
                            (Key.Mode == mdMinor ? TCalculatorEx::IsMinorTriad(Chord)
                                                 : TCalculatorEx::IsMajorTriad(Chord));
    return {
        {Normalised(TCalculator::PitchClass(Root)),
         Normalised(TCalculator::PitchClass(TCalculator::Transpose(Chord.Root, Chord.Tones[1]))),
         Normalised(TCalculator::PitchClass(TCalculator::Transpose(Chord.Root, Chord.Tones[2])))},
        Normalised(TCalculator::PitchClass(Key.Tonic) + 11),
        TCalculatorEx::IsDiminishedTriad(Chord),
        TonicTriad};
}

TFourVoices LeadVoices(const std::optional<TFourVoices>& Previous, const TFourPartChord& Chord) {
    TSearch Search(Previous, Chord);
    // The voicings that keep every rule first, then those that break one, two, ...: a branch
    // is left at the first break over the limit, so each search is quick, and the first
    // nearly always finds one.
    const std::array<TVoiceRange, 4> InRange{VoiceRanges[0], VoiceRanges[1], VoiceRanges[2],
                                             VoiceRanges[3]};
    for (int Limit = 0; !Search.Found() && Limit <= kMostBreaks; ++Limit) {
        Search.Run(InRange, Limit);
    }
    // A voicing outside the ranges breaks a rule for each voice out (and one more with the
    // bass off the root), so the wider field can only do better than two breaks or more.
    if (Search.BestBreaks() > 1) {
        const TVoiceRange Wide{LowestSearchedNote, HighestSearchedNote};
        Search.Run({Wide, Wide, Wide, Wide}, Search.BestBreaks() - 1);
    }
    return Search.BestVoicing();
}
