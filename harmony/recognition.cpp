#include "harmony/calculator.h"

namespace {

// The variants tried for a degree, in the order that decides ties: normal, borrowed,
// Dorian, Neapolitan, each only where it applies.
struct TVariantOrder {
    std::size_t Count = 0;
    TChordVariant Items[3] = {};
};

TVariantOrder VariantOrder(TMode Mode, std::int32_t Degree) {
    TVariantOrder Order;
    Order.Items[Order.Count++] = cvNormal;
    if (IsBorrowable(Mode, Degree)) {
        Order.Items[Order.Count++] = cvBorrowed;
    }
    if (HasDorian(Mode, Degree)) {
        Order.Items[Order.Count++] = cvDorian;
    }
    if (HasNeapolitan(Degree)) {
        Order.Items[Order.Count++] = cvNeapolitan;
    }
    return Order;
}

// One chord a key can hold, seen from its tonic: where its sounding root lies and its tones.
struct TKeyChord {
    std::int32_t Degree;
    TChordVariant Variant;
    TInterval SoundingRootStep; // from the tonic up to the sounding root, steps 0..6
    TChordTones Tones;
};

struct TKeyChords {
    std::size_t Count = 0;
    TKeyChord Items[7 * 3] = {};
};

// Interval sums keep the size: steps and alterations add; an octave is 7 steps and 12
// semitones (alteration 12 - 2 * 7 = -2).
TInterval WithinOctave(TInterval By) {
    return By.Steps >= 7 ? TInterval{By.Steps - 7, By.Alter + 2} : By;
}

TKeyChords MakeKeyChords(TMode Mode) {
    TKeyChords Chords;
    for (std::int32_t Degree = 1; Degree <= 7; ++Degree) {
        const TVariantOrder Order = VariantOrder(Mode, Degree);
        for (std::size_t i = 0; i < Order.Count; ++i) {
            TChordVariant Variant = Order.Items[i];
            const TChordTones Tones = TCalculatorEx::ChordTonesOf(Variant, Mode, Degree);
            const TInterval Step = ScaleOf(Mode, Order.Items[i], Degree)[DegreeIndex(Degree)];
            Chords.Items[Chords.Count++] = {
                Degree, Variant,
                WithinOctave({Step.Steps + Tones[0].Steps, Step.Alter + Tones[0].Alter}), Tones};
        }
    }
    return Chords;
}

// The chords of a key of this mode in the order that decides ties (degrees ascending, then
// variants), worked out once: the key search asks for them hundreds of times per key.
const TKeyChords& KeyChordsOf(TMode Mode) {
    static const TKeyChords Major = MakeKeyChords(mdMajor);
    static const TKeyChords Minor = MakeKeyChords(mdMinor);
    // Any other mode reads as major, but borrows nothing.
    static const TKeyChords Other = MakeKeyChords(static_cast<TMode>(mdMinor + 1));
    return Mode == mdMajor ? Major : Mode == mdMinor ? Minor : Other;
}

// A chord as the key search compares it: its sounding root, worked out once.
struct TChordShape {
    TNoteName SoundingRoot;
    TChordTones Tones;
};

TChordShape ShapeOf(const TChord& Chord) {
    return {TCalculator::SoundingRoot(Chord), Chord.Tones};
}

// The first degree and variant of the key whose chord is Shape's, or -1.
std::int32_t DegreeOfShape(const TTonality& Tonality, const TChordShape& Shape,
                           TChordVariant& Variant) {
    const TInterval Step = TCalculator::IntervalFromTo(Tonality.Tonic, Shape.SoundingRoot);
    const TKeyChords& Chords = KeyChordsOf(Tonality.Mode);
    for (std::size_t i = 0; i < Chords.Count; ++i) {
        const TKeyChord& Chord = Chords.Items[i];
        if (TCalculator::SameInterval(Chord.SoundingRootStep, Step) &&
            TCalculator::SameTones(Chord.Tones, Shape.Tones)) {
            Variant = Chord.Variant;
            return Chord.Degree;
        }
    }
    return -1;
}

// Counts the hits of the key search and picks the one the caller's counter asks for.
class THitCounter {
public:
    explicit THitCounter(std::int32_t Wanted) : Wanted(Wanted) {}

    // True when Candidate is the wanted hit: the search stops there.
    bool Wants(const TTonality& Candidate) {
        ++Hits;
        if (Wanted <= Hits) {
            return true;
        }
        if (Hits == 1) {
            First = Candidate;
        }
        return false;
    }

    const std::optional<TTonality>& FirstHit() const { return First; }

private:
    std::int32_t Wanted;
    std::int32_t Hits = 0;
    std::optional<TTonality> First;
};

// Phase 1: the named major chord as the dominant of the key on one of the seven degrees.
std::optional<TTonality> DominantReading(const TTonality& Tonality, const TChord& NamedChord,
                                         THitCounter& Hits) {
    if (!TCalculatorEx::IsMajorTriad(NamedChord)) {
        return std::nullopt;
    }
    // The named root a fifth above a degree's sounding root: compared as steps from the tonic.
    const TInterval NamedStep =
        TCalculator::IntervalFromTo(Tonality.Tonic, TCalculator::SoundingRoot(NamedChord));
    const TKeyChords& Chords = KeyChordsOf(Tonality.Mode);
    for (std::size_t i = 0; i < Chords.Count; ++i) {
        const TKeyChord& OnDegree = Chords.Items[i];
        const TInterval Step = OnDegree.SoundingRootStep;
        if (OnDegree.Variant != cvNormal ||
            !TCalculator::SameInterval(
                WithinOctave({Step.Steps + PerfectFifth.Steps, Step.Alter + PerfectFifth.Alter}),
                NamedStep)) {
            continue;
        }
        const TTonality Candidate{TCalculator::Transpose(Tonality.Tonic, Step),
                                  TCalculatorEx::ModeOf({Tonality.Tonic, OnDegree.Tones})};
        if (Hits.Wants(Candidate)) {
            return Candidate;
        }
    }
    return std::nullopt;
}

bool HoldsBoth(const TTonality& Candidate, const std::optional<TChordShape>& Previous,
               const TChordShape& Named) {
    TChordVariant Unused = cvNormal;
    if (Previous && DegreeOfShape(Candidate, *Previous, Unused) < 0) {
        return false;
    }
    return DegreeOfShape(Candidate, Named, Unused) >= 0;
}

// Phase 2: the major keys up to five fifths either side of the start key's major (or
// relative major), nearest first, each followed by its relative minor.
std::optional<TTonality> NeighbourReading(const TTonality& Tonality,
                                          const std::optional<TChord>& PreviousChord,
                                          const TChord& NamedChord, THitCounter& Hits) {
    TNoteName Up = Tonality.Mode == mdMinor ? TCalculator::Transpose(Tonality.Tonic, MinorThird)
                                            : Tonality.Tonic;
    TNoteName Down = Up;
    const std::optional<TChordShape> Previous =
        PreviousChord ? std::optional<TChordShape>(ShapeOf(*PreviousChord)) : std::nullopt;
    const TChordShape Named = ShapeOf(NamedChord);
    auto Visit = [&](TNoteName Tonic) -> std::optional<TTonality> {
        const TTonality Candidates[2] = {{Tonic, mdMajor},
                                         {TCalculator::TransposeDown(Tonic, MinorThird), mdMinor}};
        for (const TTonality& Candidate : Candidates) {
            if (HoldsBoth(Candidate, Previous, Named) && Hits.Wants(Candidate)) {
                return Candidate;
            }
        }
        return std::nullopt;
    };
    for (int Fifths = 0; Fifths < 6; ++Fifths) {
        if (auto Found = Visit(Up)) {
            return Found;
        }
        if (!TCalculator::SameNote(Down, Up)) {
            if (auto Found = Visit(Down)) {
                return Found;
            }
        }
        Up = TCalculator::Transpose(Up, PerfectFifth);
        Down = TCalculator::TransposeDown(Down, PerfectFifth);
    }
    return std::nullopt;
}

struct TReading {
    TChordVariant Variant;
    TChordTones Tones;
};

// The first variant of Degree in Mode whose chord has the structure of Wanted, whatever its root.
std::optional<TReading> ReadingOnDegree(TMode Mode, std::int32_t Degree,
                                        const TChordTones& Wanted) {
    const TVariantOrder Order = VariantOrder(Mode, Degree);
    for (std::size_t i = 0; i < Order.Count; ++i) {
        TChordVariant Variant = Order.Items[i];
        const TChordTones Tones = TCalculatorEx::ChordTonesOf(Variant, Mode, Degree);
        if (TCalculator::SameTones(Tones, Wanted)) {
            return TReading{Variant, Tones};
        }
    }
    return std::nullopt;
}

} // namespace

std::int32_t TCalculatorEx::FindDegree(TTonality Tonality, const TChord& Chord,
                                       TChordVariant& Variant) {
    return DegreeOfShape(Tonality, ShapeOf(Chord), Variant);
}

bool TCalculatorEx::FindTonality(TTonality& Tonality, std::int32_t& Counter,
                                 const std::optional<TChord>& PreviousChord,
                                 const TChord& NamedChord) {
    THitCounter Hits(Counter);
    std::optional<TTonality> Found = DominantReading(Tonality, NamedChord, Hits);
    if (!Found) {
        Found = NeighbourReading(Tonality, PreviousChord, NamedChord, Hits);
    }
    if (Found) {
        Tonality = *Found;
        ++Counter;
        return true;
    }
    // Fewer hits than the counter asked for: start the cycle again at the first.
    if (Hits.FirstHit()) {
        Tonality = *Hits.FirstHit();
        Counter = 2;
        return true;
    }
    return false;
}

bool TCalculatorEx::Reinterpret(TTonality& Tonality, std::int32_t CurrentDegree,
                                std::int32_t TargetDegree, TChordVariant& Variant) {
    const TChord Current = ChordOf(Variant, Tonality, CurrentDegree);
    const TMode First = OtherMode(Tonality.Mode);
    TMode Mode = First;
    do {
        if (const auto Reading = ReadingOnDegree(Mode, TargetDegree, Current.Tones)) {
            // The chord keeps its sounding root; the new tonic lies the degree's step (and
            // the reading's own root alteration) below it.
            const TInterval Step =
                ScaleOf(Mode, Reading->Variant, TargetDegree)[DegreeIndex(TargetDegree)];
            const TNoteName DegreeNote = TransposeDown(SoundingRoot(Current), Step);
            Tonality = {TransposeDown(DegreeNote, Reading->Tones[0]), Mode};
            Variant = Reading->Variant;
            return true;
        }
        Mode = OtherMode(Mode);
    } while (Mode != First);
    return false;
}
