#include "harmony/four_part.h"

#include "harmony/calculator.h"
#include "harmony/voice_rules.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// Where the first chord's soprano and bass are best placed: C5, and C3 below it.
constexpr int kFirstSoprano = 72;
constexpr int kFirstBass = 48;
constexpr int kClosePosition = 12;  // soprano to tenor in a close first chord
constexpr int kLargestBassLeap = 7; // a perfect fifth: beyond it the other root lies nearer
// H2 per voice, H3b per pair, H5 per adjacent pair, H7, H8 per voice.
constexpr int kMostOtherBreaks = 4 + 2 + 3 + 1 + 4;

// A voicing's standing, compared field by field, lower first: its breaks by weight, the
// preferences (five after a chord, four for the first chord), a field that breaks ties by the
// bass's motion, and the notes themselves, lower first, so that no two voicings tie.
enum TRankField : std::size_t {
    rkNever = 0,
    rkGrave = 1,
    rkOther = 2,
    rkPreferences = 3, // five fields
    rkBassTie = 8,
    rkNotes = 9, // soprano, alto, tenor, bass
    rkCount = 13
};

using TRank = std::array<int, rkCount>;

// After a chord, preferences 1 to 5 of the rules, in order.
enum TPreference : std::size_t {
    pfLeadingTone = rkPreferences,
    pfDoubling,
    pfBassLeap,
    pfCommonTones,
    pfMotion,
};

// The first chord: doubling, close position, the soprano near C5, the bass near C3.
enum TFirstPreference : std::size_t {
    fpDoubling = rkPreferences,
    fpOpen,
    fpSoprano,
    fpBass,
};

// The breaks counted so far down a branch of the search.
struct TTally {
    std::array<int, WeightCount> Weights{};
    unsigned Seen = 0; // the rules counted once that already count

    void Add(TVoiceRule Rule) {
        const unsigned Bit = 1u << Rule;
        if (CountedOnce[Rule]) {
            if ((Seen & Bit) != 0) {
                return;
            }
            Seen |= Bit;
        }
        ++Weights[RuleWeights[Rule]];
    }
};

// Every voicing with the root in the bass and each voice on a note of the chord between
// LowestSearchedNote and HighestSearchedNote, built from the soprano down; a branch is left
// as soon as the best it could still reach is no better than the best found. Each voice
// tries its nearest notes first, so that a good voicing is found early.
class TSearch {
public:
    explicit TSearch(const TStepContext& Step) : Step(Step) {
        for (std::size_t Voice = 0; Voice < 4; ++Voice) {
            const int Goal = Step.Previous
                                 ? (*Step.Previous)[Voice]
                                 : (VoiceRanges[Voice].Lowest + VoiceRanges[Voice].Highest) / 2;
            const int Farthest =
                std::max(std::abs(Goal - LowestSearchedNote), std::abs(Goal - HighestSearchedNote));
            for (int Distance = 0; Distance <= Farthest; ++Distance) {
                Consider(Voice, Goal - Distance); // the lower of two as near first
                if (Distance != 0) {
                    Consider(Voice, Goal + Distance);
                }
            }
            Common[Voice] = Step.Previous && ChordToneOf(Step.Chord, (*Step.Previous)[Voice]) >= 0;
        }
        // Most steps have a voicing that keeps every rule, and a search allowed no more than a
        // few breaks leaves each branch at the first one past its allowance: so the allowance
        // grows one other break at a time, and only a step that cannot do without a grave
        // break is searched whole.
        for (int Allowed = 0; !Taken && Allowed <= kMostOtherBreaks; ++Allowed) {
            Run(Allowed);
        }
        if (!Taken) {
            Run(std::numeric_limits<int>::max());
        }
    }

    const TFourVoices& BestVoicing() const { return Voicing; }

private:
    // A note a voice may take, with what it breaks alone (rules that are never counted once).
    struct TCandidate {
        int Note;
        std::array<int, WeightCount> Weights;
    };

    struct TNotes {
        std::array<TCandidate, HighestSearchedNote - LowestSearchedNote + 1> Items{};
        std::size_t Count = 0;
    };

    // Notes of the chord in the field, the bass on the root only.
    void Consider(std::size_t Voice, int Note) {
        const int Tone = ChordToneOf(Step.Chord, Note);
        if (Note < LowestSearchedNote || Note > HighestSearchedNote || Tone < 0 ||
            (Voice == vcBass && Tone != 0)) {
            return;
        }
        TCandidate& Candidate = Candidates[Voice].Items[Candidates[Voice].Count++];
        Candidate = {Note, {}};
        BreaksOfNote(Step, Voice, Note, [&Candidate](TVoiceRule Rule, TVoiceSet) {
            ++Candidate.Weights[RuleWeights[Rule]];
        });
    }

    // Every voicing with no grave break and at most Allowed others (any voicing for the
    // largest Allowed).
    void Run(int Allowed) {
        Best.fill(std::numeric_limits<int>::max());
        if (Allowed != std::numeric_limits<int>::max()) {
            Best[rkNever] = 0;
            Best[rkGrave] = 0;
            Best[rkOther] = Allowed;
        }
        TFourVoices V{};
        Visit(V, vcSoprano, TTally{}, TRank{});
    }

    // Rank holds what the voices above Voice give: each field no more than the whole voicing's.
    void Visit(TFourVoices& V, std::size_t Voice, const TTally& Tally, const TRank& Rank) {
        const TNotes& Notes = Candidates[Voice];
        for (std::size_t i = 0; i < Notes.Count; ++i) {
            const TCandidate& Candidate = Notes.Items[i];
            V[Voice] = Candidate.Note;
            if (Voice != vcBass && !CanHoldEveryTone(Step.Chord, V, Voice)) {
                continue;
            }
            TTally Next = Tally;
            for (std::size_t Weight = 0; Weight < WeightCount; ++Weight) {
                Next.Weights[Weight] += Candidate.Weights[Weight];
            }
            BreaksUnderVoices(Step, V, Voice,
                              [&Next](TVoiceRule Rule, TVoiceSet) { Next.Add(Rule); });
            TRank Bound = Rank;
            Bound[rkNever] = Next.Weights[rwNever];
            Bound[rkGrave] = Next.Weights[rwGrave];
            Bound[rkOther] = Next.Weights[rwOther];
            Bound[rkNotes + Voice] = V[Voice];
            if (Step.Previous) {
                AddPreferences(V, Voice, Bound);
            } else {
                AddFirstPreferences(V, Voice, Bound);
            }
            if (!(Bound < Best)) {
                continue;
            }
            if (Voice == vcBass) {
                Best = Bound;
                Voicing = V;
                Taken = true;
            } else {
                Visit(V, Voice + 1, Next, Bound);
            }
        }
    }

    void AddPreferences(const TFourVoices& V, std::size_t Voice, TRank& Rank) const {
        const TFourVoices& P = *Step.Previous;
        const int Motion = std::abs(V[Voice] - P[Voice]);
        if (Voice == vcTenor) {
            Rank[pfDoubling] = DoublingMissed(V);
        }
        if (Voice == vcBass) {
            Rank[pfBassLeap] = Motion > kLargestBassLeap;
            Rank[rkBassTie] = Motion;
            return;
        }
        if (Voice == vcSoprano) {
            Rank[pfLeadingTone] = Step.Chord.TonicTriad && IsLeadingTone(Step.Chord, P[Voice]) &&
                                  V[Voice] != P[Voice] + 1;
        }
        Rank[pfCommonTones] += Common[Voice] && Motion != 0;
        Rank[pfMotion] += Motion;
    }

    void AddFirstPreferences(const TFourVoices& V, std::size_t Voice, TRank& Rank) const {
        if (Voice == vcSoprano) {
            Rank[fpSoprano] = std::abs(V[vcSoprano] - kFirstSoprano);
        } else if (Voice == vcTenor) {
            Rank[fpDoubling] = DoublingMissed(V);
            Rank[fpOpen] = V[vcSoprano] - V[vcTenor] > kClosePosition;
        } else if (Voice == vcBass) {
            Rank[fpBass] = std::abs(V[vcBass] - kFirstBass);
        }
    }

    // Preference 2, known once the tenor is chosen, the bass taking the root: the root
    // doubled, or the third of a diminished triad.
    int DoublingMissed(const TFourVoices& V) const {
        const int Doubled = Step.Chord.Diminished ? 1 : 0;
        int Count = Doubled == 0 ? 1 : 0;
        for (const std::size_t Voice : {vcSoprano, vcAlto, vcTenor}) {
            Count += ChordToneOf(Step.Chord, V[Voice]) == Doubled;
        }
        return Count < 2;
    }

    const TStepContext& Step;
    std::array<TNotes, 4> Candidates;
    std::array<bool, 4> Common{}; // the voice's last note is a tone of this chord too
    TFourVoices Voicing{};
    TRank Best{};
    bool Taken = false;
};

} // namespace

std::array<TNoteName, 3> ChordToneNames(const TChord& Chord) {
    return {TCalculator::Transpose(Chord.Root, Chord.Tones[0]),
            TCalculator::Transpose(Chord.Root, Chord.Tones[1]),
            TCalculator::Transpose(Chord.Root, Chord.Tones[2])};
}

TNoteName SpelledNote(const TChord& Chord, int Note) {
    for (const TNoteName& Name : ChordToneNames(Chord)) {
        if (PitchClassOfNote(TCalculator::PitchClass(Name)) == PitchClassOfNote(Note)) {
            return Name;
        }
    }
    return TCalculator::SoundingRoot(Chord);
}

TFourPartChord FourPartChordOf(const TChord& Chord, const TTonality& Key) {
    const std::array<TNoteName, 3> Names = ChordToneNames(Chord);
    const bool TonicTriad = TCalculator::SameNote(Names[0], Key.Tonic) &&
                            (Key.Mode == mdMinor ? TCalculatorEx::IsMinorTriad(Chord)
                                                 : TCalculatorEx::IsMajorTriad(Chord));
    return {{PitchClassOfNote(TCalculator::PitchClass(Names[0])),
             PitchClassOfNote(TCalculator::PitchClass(Names[1])),
             PitchClassOfNote(TCalculator::PitchClass(Names[2]))},
            Names,
            PitchClassOfNote(TCalculator::PitchClass(Key.Tonic) + 11),
            TCalculatorEx::IsDiminishedTriad(Chord),
            TonicTriad,
            Key};
}

TFourVoices LeadVoices(const std::optional<TVoicedChord>& Previous, const TFourPartChord& Chord) {
    return TSearch(StepContextOf(Previous, Chord)).BestVoicing();
}

TFourVoices LeadVoices(std::nullopt_t, const TFourPartChord& Chord) {
    return LeadVoices(std::optional<TVoicedChord>(), Chord);
}

