#include "practice/question.h"

#include "harmony/calculator.h"
#include "practice/lessons.h"
#include "practice/practice_random.h"

#include <algorithm>
#include <optional>

namespace {

// The functional grammar within one key, whatever the variant: bit To of kNext[From - 1] is set
// when From may go to To. Nothing goes to III or from it.
constexpr std::uint8_t kNext[7] = {
    DegreeBit(2) | DegreeBit(4) | DegreeBit(5) | DegreeBit(6) | DegreeBit(7), // I
    DegreeBit(5) | DegreeBit(7),                                              // II
    0,                                                                        // III
    DegreeBit(1) | DegreeBit(2) | DegreeBit(5) | DegreeBit(7),                // IV
    DegreeBit(1) | DegreeBit(6),                                              // V
    DegreeBit(2) | DegreeBit(4) | DegreeBit(5),                               // VI
    DegreeBit(1),                                                             // VII
};

constexpr std::int32_t kCandidates = 8;
// Lesson 7 modulates in one question of this many, and tonicizes in one of two of the rest.
constexpr std::uint32_t kModulationOdds = 3;
// A degree that may carry a variant carries one in one of this many (in one of two where the
// lesson is about variants).
constexpr std::uint32_t kVariantOdds = 4;

bool Has(std::uint8_t Bits, std::int32_t Degree) {
    return (Bits & DegreeBit(Degree)) != 0;
}

// The seed of one stream: lesson, seed and candidate in bits of their own, which the random
// numbers' mixing spreads over all of theirs.
std::uint64_t StreamSeed(std::int32_t Lesson, std::uint32_t Seed, std::int32_t Candidate) {
    return static_cast<std::uint64_t>(Seed) | static_cast<std::uint64_t>(Lesson) << 32 |
           static_cast<std::uint64_t>(Candidate) << 40;
}

// The variant a lesson may give a degree of a key of this mode.
std::optional<TChordVariant> ColourOf(TMode Mode, std::int32_t Degree) {
    if (IsBorrowable(Mode, Degree)) {
        return cvBorrowed;
    }
    if (HasDorian(Mode, Degree)) {
        return cvDorian;
    }
    if (Mode == mdMinor && HasNeapolitan(Degree)) {
        return cvNeapolitan;
    }
    return std::nullopt;
}

std::uint8_t ColouredDegrees(TMode Mode) {
    std::uint8_t Bits = 0;
    for (std::int32_t Degree = 1; Degree <= 7; ++Degree) {
        Bits |= ColourOf(Mode, Degree) ? DegreeBit(Degree) : 0;
    }
    return Bits;
}

TChord PlainChord(TTonality Key, std::int32_t Degree) {
    TChordVariant Variant = cvNormal;
    return TCalculatorEx::ChordOf(Variant, Key, Degree);
}

// The degrees of Key a secondary dominant may lead to: where the grammar goes (II..VI), where the
// chord of its key's I is the degree's own chord (not a diminished II), and where the dominant
// sounds as none of the lesson's own chords of Key (V of IV in major is I itself).
std::uint8_t TonicizedDegrees(TTonality Key, std::uint8_t Vocabulary) {
    std::uint8_t Bits = 0;
    for (std::int32_t Degree = 2; Degree <= 6; ++Degree) {
        const TTonality Local = TCalculatorEx::SecondaryDominantKey(Key, Degree);
        TChordVariant Found = cvNormal;
        const std::int32_t AsOwn = TCalculatorEx::FindDegree(Key, PlainChord(Local, 5), Found);
        if (Has(Vocabulary, Degree) &&
            TCalculator::SameChord(PlainChord(Local, 1), PlainChord(Key, Degree)) &&
            !(AsOwn > 0 && Has(Vocabulary, AsOwn))) {
            Bits |= DegreeBit(Degree);
        }
    }
    return Bits;
}

// A walk of degrees through the grammar: its first degree and its last ones are fixed, and at
// least Need of its inner degrees (neither the first nor the last) are among Wanted.
struct TWalkShape {
    std::int32_t Length;
    std::int32_t First;
    std::vector<std::int32_t> Ending;
    std::uint8_t Vocabulary;
    std::uint8_t Wanted = 0;
    std::int32_t Need = 0;
};

// Counts the walks of a shape from each place on, so that a walk can be drawn evenly among all
// of them without ever failing.
class TWalkCounter {
public:
    explicit TWalkCounter(TWalkShape Shape)
        : Shape(std::move(Shape)),
          Memo(static_cast<std::size_t>(this->Shape.Length * 8 * (this->Shape.Need + 1))) {}

    std::uint64_t Total() { return Count(0, Shape.First, 0); }

    // Nothing when the shape has no walk (no built-in lesson asks for one).
    std::vector<std::int32_t> Draw(TPracticeRandom& Random) {
        if (Total() == 0) {
            return {};
        }
        std::vector<std::int32_t> Walk{Shape.First};
        std::int32_t Had = 0;
        while (static_cast<std::int32_t>(Walk.size()) < Shape.Length) {
            const std::int32_t Place = static_cast<std::int32_t>(Walk.size());
            std::uint64_t Pick =
                Random.Below(static_cast<std::uint32_t>(Count(Place - 1, Walk.back(), Had)));
            for (std::int32_t Next = 1; Next <= 7; ++Next) {
                const std::uint64_t Ways = Step(Place, Walk.back(), Next, Had);
                if (Pick < Ways) {
                    Had = HadAfter(Place, Next, Had);
                    Walk.push_back(Next);
                    break;
                }
                Pick -= Ways;
            }
        }
        return Walk;
    }

private:
    bool Allowed(std::int32_t Place, std::int32_t Degree) const {
        const std::int32_t Fixed =
            Place - (Shape.Length - static_cast<std::int32_t>(Shape.Ending.size()));
        return Has(Shape.Vocabulary, Degree) &&
               (Fixed < 0 || Shape.Ending[static_cast<std::size_t>(Fixed)] == Degree);
    }
    std::int32_t HadAfter(std::int32_t Place, std::int32_t Degree, std::int32_t Had) const {
        const bool Inner = Place < Shape.Length - 1;
        return std::min(Shape.Need, Had + (Inner && Has(Shape.Wanted, Degree) ? 1 : 0));
    }
    // The walks through Degree at Place - 1 that go on to Next.
    std::uint64_t Step(std::int32_t Place, std::int32_t Degree, std::int32_t Next,
                       std::int32_t Had) {
        if (!Has(kNext[Degree - 1], Next) || !Allowed(Place, Next)) {
            return 0;
        }
        return Count(Place, Next, HadAfter(Place, Next, Had));
    }
    // The walks that stand on Degree at Place, having met Had wanted degrees so far.
    std::uint64_t Count(std::int32_t Place, std::int32_t Degree, std::int32_t Had) {
        if (Place == Shape.Length - 1) {
            return Had >= Shape.Need ? 1 : 0;
        }
        std::optional<std::uint64_t>& Known =
            Memo[static_cast<std::size_t>((Place * 8 + Degree) * (Shape.Need + 1) + Had)];
        if (!Known) {
            Known = 0;
            for (std::int32_t Next = 1; Next <= 7; ++Next) {
                *Known += Step(Place + 1, Degree, Next, Had);
            }
        }
        return *Known;
    }

    TWalkShape Shape;
    std::vector<std::optional<std::uint64_t>> Memo;
};

const std::vector<std::int32_t> kCadence{5, 1};

// One degree of a walk, with what the question makes of it.
struct TStep {
    std::int32_t Degree;
    TTonality Key;
    bool Inner; // may be tonicized or coloured
    bool Tonicized = false;
    TChordVariant Variant = cvNormal;
};

// Walk's degrees in Key from From on (1 after a pivot, which stands in the old key).
void AppendWalk(std::vector<TStep>& Steps, const std::vector<std::int32_t>& Walk, TTonality Key,
                std::size_t From = 0) {
    for (std::size_t i = From; i < Walk.size(); ++i) {
        Steps.push_back({Walk[i], Key, i > 0 && i + 1 < Walk.size()});
    }
}

// A modulation: to Target through the chord on degree Old of the old key, read as degree New
// of Target, after OldLength degrees of the old key (the pivot its last).
struct TModulation {
    TTonality Target;
    std::int32_t Old;
    std::int32_t New;
    std::int32_t OldLength;
};

// The closely related keys: a fifth up, a fifth down, the relative key.
std::vector<TTonality> RelatedKeys(TTonality Key) {
    const TTonality Relative =
        Key.Mode == mdMajor ? TTonality{TCalculator::TransposeDown(Key.Tonic, MinorThird), mdMinor}
                            : TTonality{TCalculator::Transpose(Key.Tonic, MinorThird), mdMajor};
    return {{TCalculator::Transpose(Key.Tonic, PerfectFifth), Key.Mode},
            {TCalculator::TransposeDown(Key.Tonic, PerfectFifth), Key.Mode},
            Relative};
}

// Every modulation of Length degrees from Home whose pivot Ctrl+digit reads in the new key.
// (From a minor key a fifth up there is none: its I is read as the major key's borrowed IV.)
std::vector<TModulation> Modulations(TTonality Home, std::int32_t Length, std::uint8_t Vocabulary) {
    std::vector<TModulation> Found;
    for (const TTonality& Target : RelatedKeys(Home)) {
        for (std::int32_t Old = 1; Old <= 7; ++Old) {
            TChordVariant Variant = cvNormal;
            const std::int32_t New =
                TCalculatorEx::FindDegree(Target, PlainChord(Home, Old), Variant);
            TTonality Read = Home;
            TChordVariant ReadVariant = cvNormal;
            if (!Has(Vocabulary, Old) || New < 1 || Variant != cvNormal || !Has(Vocabulary, New) ||
                !TCalculatorEx::Reinterpret(Read, Old, New, ReadVariant) ||
                !TCalculatorEx::SameTonality(Read, Target) || ReadVariant != cvNormal) {
                continue;
            }
            for (std::int32_t OldLength = 2; OldLength <= Length - 2; ++OldLength) {
                if (TWalkCounter({OldLength, 1, {Old}, Vocabulary}).Total() > 0 &&
                    TWalkCounter({Length + 1 - OldLength, New, kCadence, Vocabulary}).Total() > 0) {
                    Found.push_back({Target, Old, New, OldLength});
                }
            }
        }
    }
    return Found;
}

// Picks Count of the places for which Eligible holds, evenly; fewer when fewer hold.
template <typename TEligible>
std::vector<std::size_t> PickPlaces(TPracticeRandom& Random, const std::vector<TStep>& Steps,
                                    std::int32_t Count, TEligible Eligible) {
    std::vector<std::size_t> Places;
    for (std::size_t i = 0; i < Steps.size(); ++i) {
        if (Eligible(Steps[i])) {
            Places.push_back(i);
        }
    }
    std::vector<std::size_t> Picked;
    while (static_cast<std::int32_t>(Picked.size()) < Count && !Places.empty()) {
        const std::size_t At = Random.Below(static_cast<std::uint32_t>(Places.size()));
        Picked.push_back(Places[At]);
        Places.erase(Places.begin() + static_cast<std::ptrdiff_t>(At));
    }
    return Picked;
}

// Old-key degrees up to the pivot, then the new key's from after it to V–I.
std::vector<TStep> ModulatingSteps(const TBuiltInLesson& Lesson, TTonality Home,
                                   std::int32_t Length, const TModulation& Chosen,
                                   TPracticeRandom& Random) {
    std::vector<TStep> Steps;
    AppendWalk(Steps,
               TWalkCounter({Chosen.OldLength, 1, {Chosen.Old}, Lesson.Degrees}).Draw(Random),
               Home);
    AppendWalk(Steps,
               TWalkCounter({Length + 1 - Chosen.OldLength, Chosen.New, kCadence, Lesson.Degrees})
                   .Draw(Random),
               Chosen.Target, 1);
    return Steps;
}

// Degrees of one key, Secondary of them tonicized; with ColourFocus, one at least that may
// take a variant.
std::vector<TStep> HomeSteps(const TBuiltInLesson& Lesson, TTonality Home, std::int32_t Length,
                             std::int32_t Secondary, bool ColourFocus, TPracticeRandom& Random) {
    const std::uint8_t Tonicized = TonicizedDegrees(Home, Lesson.Degrees);
    TWalkShape Shape{Length - Secondary, 1, kCadence, Lesson.Degrees};
    if (Secondary > 0) {
        Shape.Wanted = Tonicized;
        Shape.Need = Secondary;
    } else if (ColourFocus) {
        Shape.Wanted = ColouredDegrees(Home.Mode);
        Shape.Need = 1;
    }
    std::vector<TStep> Steps;
    AppendWalk(Steps, TWalkCounter(Shape).Draw(Random), Home);
    for (std::size_t At : PickPlaces(Random, Steps, Secondary, [&](const TStep& Step) {
             return Step.Inner && Has(Tonicized, Step.Degree);
         })) {
        Steps[At].Tonicized = true;
    }
    return Steps;
}

// Gives variants to some of the degrees that have one; with Focus, to one at least.
void Colour(std::vector<TStep>& Steps, bool Focus, TPracticeRandom& Random) {
    const auto Colourable = [](const TStep& Step) {
        return Step.Inner && !Step.Tonicized && ColourOf(Step.Key.Mode, Step.Degree);
    };
    bool Coloured = false;
    for (TStep& Step : Steps) {
        if (Colourable(Step) && Random.Below(Focus ? 2 : kVariantOdds) == 0) {
            Step.Variant = *ColourOf(Step.Key.Mode, Step.Degree);
            Coloured = true;
        }
    }
    for (std::size_t At : PickPlaces(Random, Steps, Focus && !Coloured ? 1 : 0, Colourable)) {
        Steps[At].Variant = *ColourOf(Steps[At].Key.Mode, Steps[At].Degree);
    }
}

TQuestion EntriesOf(const std::vector<TStep>& Steps) {
    TQuestion Question;
    for (const TStep& Step : Steps) {
        if (Step.Tonicized) {
            const TTonality Local = TCalculatorEx::SecondaryDominantKey(Step.Key, Step.Degree);
            Question.Entries.push_back({Local, 5, cvNormal});
            Question.Entries.push_back({Local, 1, cvNormal});
        } else {
            Question.Entries.push_back({Step.Key, Step.Degree, Step.Variant});
        }
    }
    return Question;
}

TQuestion Draw(const TBuiltInLesson& Lesson, TPracticeRandom& Random) {
    const std::vector<TTonality> Keys = LessonKeys(Lesson);
    const TTonality Home = Keys[Random.Below(static_cast<std::uint32_t>(Keys.size()))];
    const std::int32_t Length =
        Lesson.MinChords + static_cast<std::int32_t>(Random.Below(static_cast<std::uint32_t>(
                               Lesson.MaxChords - Lesson.MinChords + 1)));
    const bool ColourFocus = (Lesson.Focus & lmVariants) != 0;
    std::vector<TModulation> Choices;
    if ((Lesson.Focus & lmModulation) ||
        ((Lesson.Material & lmModulation) && Random.Below(kModulationOdds) == 0)) {
        Choices = Modulations(Home, Length, Lesson.Degrees);
    }
    std::vector<TStep> Steps;
    if (!Choices.empty()) {
        const TModulation& Chosen =
            Choices[Random.Below(static_cast<std::uint32_t>(Choices.size()))];
        Steps = ModulatingSteps(Lesson, Home, Length, Chosen, Random);
    } else {
        std::int32_t Secondary = 0;
        if (Lesson.Focus & lmSecondaryDominants) {
            Secondary = 1 + static_cast<std::int32_t>(Random.Below(2));
        } else if (Lesson.Material & lmSecondaryDominants) {
            Secondary = static_cast<std::int32_t>(Random.Below(2));
        }
        Steps = HomeSteps(Lesson, Home, Length, Secondary, ColourFocus, Random);
    }
    if (Lesson.Material & lmVariants) {
        Colour(Steps, ColourFocus, Random);
    }
    return EntriesOf(Steps);
}

std::uint64_t WeightOf(const TQuestion& Question, const TDegreeWeights& Weights) {
    std::uint64_t Sum = 0;
    for (const TProgressionEntry& Entry : Question.Entries) {
        Sum += Weights[DegreeIndex(Entry.Degree)];
    }
    return Sum;
}

} // namespace

TQuestion BuiltInQuestion(std::int32_t Lesson, std::uint32_t Seed) {
    const TBuiltInLesson* Found = FindBuiltInLesson(Lesson);
    if (!Found) {
        return {};
    }
    TPracticeRandom Random(StreamSeed(Lesson, Seed, 0));
    return Draw(*Found, Random);
}

TQuestion FocusedQuestion(std::int32_t Lesson, std::uint32_t Seed, const TDegreeWeights& Weights) {
    const TBuiltInLesson* Found = FindBuiltInLesson(Lesson);
    TQuestion Best = BuiltInQuestion(Lesson, Seed);
    std::uint64_t BestWeight = WeightOf(Best, Weights);
    for (std::int32_t Candidate = 1; Found && Candidate < kCandidates; ++Candidate) {
        TPracticeRandom Random(StreamSeed(Lesson, Seed, Candidate));
        TQuestion Drawn = Draw(*Found, Random);
        const std::uint64_t Weight = WeightOf(Drawn, Weights);
        if (Weight > BestWeight) {
            Best = std::move(Drawn);
            BestWeight = Weight;
        }
    }
    return Best;
}
