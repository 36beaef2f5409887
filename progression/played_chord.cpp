#include "progression/played_chord.h"

#include "harmony/calculator.h"
#include "harmony/key_signature.h"

#include <array>
#include <cstdlib>
#include <tuple>

namespace {

struct TTriadKind {
    int Third; // semitones above the root
    int Fifth;
    bool Minor;
    bool Diminished;
};

constexpr TTriadKind kTriadKinds[] = {
    {4, 7, false, false},
    {3, 7, true, false},
    {3, 6, false, true},
};

constexpr char kLetters[] = {'C', 'D', 'E', 'F', 'G', 'A', 'B'};

int PitchClassOf(int Note) {
    return (Note % 12 + 12) % 12;
}

// The accidental that makes Letter sound PitchClass, between -6 and 5.
std::int32_t AccidentalFor(char Letter, int PitchClass) {
    const int Natural = TCalculator::PitchClass({Letter, 0});
    return (PitchClass - Natural + 18) % 12 - 6;
}

char LetterAbove(char Letter, int Steps) {
    for (std::size_t i = 0; i < 7; ++i) {
        if (kLetters[i] == Letter) {
            return kLetters[(i + static_cast<std::size_t>(Steps)) % 7];
        }
    }
    return Letter;
}

} // namespace

std::optional<std::vector<int>> TChordTaker::NoteOn(int Note, TMicroseconds Now) {
    std::optional<std::vector<int>> Settled = Advance(Now);
    Held.insert(Note);
    LastOn = Now;
    Taken = false;
    return Settled;
}

std::optional<std::vector<int>> TChordTaker::NoteOff(int Note, TMicroseconds Now) {
    std::optional<std::vector<int>> Chord = Advance(Now);
    if (!Chord && Held.count(Note) != 0 && !Taken && Held.size() >= kLeastNotes) {
        Chord = Take();
    }
    Held.erase(Note);
    if (Held.empty()) {
        Taken = false;
    }
    return Chord;
}

std::optional<std::vector<int>> TChordTaker::Advance(TMicroseconds Now) {
    const std::optional<TMicroseconds> When = Due();
    if (When && Now >= *When) {
        return Take();
    }
    return std::nullopt;
}

std::optional<TChordTaker::TMicroseconds> TChordTaker::Due() const {
    if (Taken || Held.size() < kLeastNotes) {
        return std::nullopt;
    }
    return LastOn + kSettleTime;
}

void TChordTaker::Reset() {
    Held.clear();
    Taken = false;
}

std::optional<std::vector<int>> TChordTaker::Take() {
    Taken = true;
    return std::vector<int>(Held.begin(), Held.end());
}

TChord NamedTriad(TNoteName Root, bool Minor, bool Diminished) {
    return {Root,
            {{TCalculator::MakeInterval(0, 0),
              TCalculator::MakeInterval(2, Minor || Diminished ? -1 : 0),
              TCalculator::MakeInterval(4, Diminished ? -2 : -1), EndOfTones,
              TCalculator::MakeInterval(0, 0)}}};
}

std::optional<TChord> PlayedTriad(const std::vector<int>& Notes, const TTonality& Key) {
    std::set<int> Classes;
    for (const int Note : Notes) {
        Classes.insert(PitchClassOf(Note));
    }
    if (Classes.size() != 3) {
        return std::nullopt;
    }
    const bool PreferSharps = KeySignatureFifths(Key) >= 0;
    std::optional<std::tuple<int, int, TChord>> Best; // accidentals, against the tie, the chord
    for (const int Root : Classes) {
        for (const TTriadKind& Kind : kTriadKinds) {
            if (Classes !=
                std::set<int>{Root, (Root + Kind.Third) % 12, (Root + Kind.Fifth) % 12}) {
                continue;
            }
            for (const char Letter : kLetters) {
                const std::int32_t RootAccidental = AccidentalFor(Letter, Root);
                if (std::abs(RootAccidental) > 1) {
                    continue; // no letter key spells it
                }
                int Count = 0;
                int Sharps = 0;
                for (const auto& [Steps, Semitones] :
                     {std::pair{0, 0}, std::pair{2, Kind.Third}, std::pair{4, Kind.Fifth}}) {
                    const std::int32_t Accidental =
                        AccidentalFor(LetterAbove(Letter, Steps), (Root + Semitones) % 12);
                    Count += std::abs(Accidental);
                    Sharps += Accidental;
                }
                const int Against = PreferSharps ? -Sharps : Sharps;
                const TChord Chord =
                    NamedTriad({Letter, RootAccidental}, Kind.Minor, Kind.Diminished);
                if (!Best ||
                    std::tie(Count, Against) < std::tie(std::get<0>(*Best), std::get<1>(*Best))) {
                    Best.emplace(Count, Against, Chord);
                }
            }
        }
    }
    if (!Best) {
        return std::nullopt;
    }
    return std::get<2>(*Best);
}
