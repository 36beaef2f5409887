#include "harmony_test_util.h"

#include <gtest/gtest.h>

namespace {

using C = TCalculatorEx;

enum class TriadKind { Major, Minor, Diminished };

struct ChordCase {
    const char* Key;
    std::int32_t Degree;
    TChordVariant Asked;
    const char* Root;
    TInterval Tones[3];
    const char* Notes;
    TriadKind Kind;
    TChordVariant WrittenBack;
};

// Every chord of C major and A minor; cases with variants that do not apply check that the
// normal chord comes back with variant 0.
const ChordCase kChords[] = {
    {"C", 1, 0, "C", {{0, 0}, {2, 0}, {4, -1}}, "C E G", TriadKind::Major, 0},
    {"C", 2, 0, "D", {{0, 0}, {2, -1}, {4, -1}}, "D F A", TriadKind::Minor, 0},
    {"C", 2, 1, "D", {{0, 0}, {2, -1}, {4, -2}}, "D F A♭", TriadKind::Diminished, 1},
    {"C", 2, 3, "D", {{0, -1}, {2, -1}, {4, -2}}, "D♭ F A♭", TriadKind::Major, 3},
    {"C", 3, 0, "E", {{0, 0}, {2, -1}, {4, -1}}, "E G B", TriadKind::Minor, 0},
    {"C", 4, 0, "F", {{0, 0}, {2, 0}, {4, -1}}, "F A C", TriadKind::Major, 0},
    {"C", 4, 1, "F", {{0, 0}, {2, -1}, {4, -1}}, "F A♭ C", TriadKind::Minor, 1},
    {"C", 5, 0, "G", {{0, 0}, {2, 0}, {4, -1}}, "G B D", TriadKind::Major, 0},
    {"C", 6, 0, "A", {{0, 0}, {2, -1}, {4, -1}}, "A C E", TriadKind::Minor, 0},
    {"C", 6, 1, "A♭", {{0, 0}, {2, 0}, {4, -1}}, "A♭ C E♭", TriadKind::Major, 1},
    {"C", 7, 0, "B", {{0, 0}, {2, -1}, {4, -2}}, "B D F", TriadKind::Diminished, 0},
    {"a", 1, 0, "A", {{0, 0}, {2, -1}, {4, -1}}, "A C E", TriadKind::Minor, 0},
    {"a", 2, 0, "B", {{0, 0}, {2, -1}, {4, -2}}, "B D F", TriadKind::Diminished, 0},
    {"a", 2, 3, "B", {{0, -1}, {2, -1}, {4, -2}}, "B♭ D F", TriadKind::Major, 3},
    {"a", 3, 0, "C", {{0, 0}, {2, 0}, {4, -1}}, "C E G", TriadKind::Major, 0},
    {"a", 4, 0, "D", {{0, 0}, {2, -1}, {4, -1}}, "D F A", TriadKind::Minor, 0},
    {"a", 4, 2, "D", {{0, 0}, {2, 0}, {4, -1}}, "D F♯ A", TriadKind::Major, 2},
    {"a", 6, 0, "F", {{0, 0}, {2, 0}, {4, -1}}, "F A C", TriadKind::Major, 0},
    // the minor key's dominant and leading-tone chord under every variant
    {"a", 5, 0, "E", {{0, 0}, {2, 0}, {4, -1}}, "E G♯ B", TriadKind::Major, 0},
    {"a", 5, 1, "E", {{0, 0}, {2, 0}, {4, -1}}, "E G♯ B", TriadKind::Major, 0},
    {"a", 5, 2, "E", {{0, 0}, {2, 0}, {4, -1}}, "E G♯ B", TriadKind::Major, 0},
    {"a", 5, 3, "E", {{0, 0}, {2, 0}, {4, -1}}, "E G♯ B", TriadKind::Major, 0},
    {"a", 7, 0, "G", {{0, 1}, {2, 0}, {4, -1}}, "G♯ B D", TriadKind::Diminished, 0},
    {"a", 7, 1, "G", {{0, 1}, {2, 0}, {4, -1}}, "G♯ B D", TriadKind::Diminished, 0},
    {"a", 7, 3, "G", {{0, 1}, {2, 0}, {4, -1}}, "G♯ B D", TriadKind::Diminished, 0},
    // variants where they do not apply
    {"a", 4, 1, "D", {{0, 0}, {2, -1}, {4, -1}}, "D F A", TriadKind::Minor, 0},
    {"C", 3, 1, "E", {{0, 0}, {2, -1}, {4, -1}}, "E G B", TriadKind::Minor, 0},
    {"C", 4, 2, "F", {{0, 0}, {2, 0}, {4, -1}}, "F A C", TriadKind::Major, 0},
    {"C", 1, 3, "C", {{0, 0}, {2, 0}, {4, -1}}, "C E G", TriadKind::Major, 0},
    {"C", 6, 7, "A", {{0, 0}, {2, -1}, {4, -1}}, "A C E", TriadKind::Minor, 0},
    {"C", 2, 200, "D", {{0, 0}, {2, -1}, {4, -1}}, "D F A", TriadKind::Minor, 0},
};

TEST(ChordOf, BuildsEveryChordOfCMajorAndAMinor) {
    for (const auto& c : kChords) {
        SCOPED_TRACE(std::string(c.Key) + " degree " + std::to_string(c.Degree) + " variant " +
                     std::to_string(c.Asked));
        TChordVariant Variant = c.Asked;
        const TChord Chord = C::ChordOf(Variant, Key(c.Key), c.Degree);
        EXPECT_EQ(Chord.Root, N(c.Root));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(Chord.Tones[i], c.Tones[i]) << "slot " << i;
        }
        EXPECT_EQ(Chord.Tones[3], EndOfTones);
        EXPECT_EQ(NotesOf(Chord), c.Notes);
        EXPECT_EQ(C::IsMajorTriad(Chord), c.Kind == TriadKind::Major);
        EXPECT_EQ(C::IsMinorTriad(Chord), c.Kind == TriadKind::Minor);
        EXPECT_EQ(C::IsDiminishedTriad(Chord), c.Kind == TriadKind::Diminished);
        EXPECT_EQ(Variant, c.WrittenBack);

        // ChordTonesOf is the same list for any tonic of the mode, with the same write-back.
        TChordVariant TonesVariant = c.Asked;
        const TChordTones Tones = C::ChordTonesOf(TonesVariant, Key(c.Key).Mode, c.Degree);
        EXPECT_TRUE(C::SameTones(Tones, Chord.Tones));
        EXPECT_EQ(TonesVariant, c.WrittenBack);
    }
}

struct OtherKeyCase {
    const char* Key;
    std::int32_t Degree;
    TChordVariant Variant;
    const char* Root;
    const char* Notes;
};

const OtherKeyCase kOtherKeys[] = {
    {"E♭", 5, 0, "B♭", "B♭ D F"}, {"f♯", 5, 0, "C♯", "C♯ E♯ G♯"}, {"f♯", 7, 0, "E", "E♯ G♯ B"},
    {"f♯", 2, 3, "G♯", "G B D"},  {"B♭", 2, 3, "C", "C♭ E♭ G♭"},  {"B♭", 6, 1, "G♭", "G♭ B♭ D♭"},
};

TEST(ChordOf, SpellsOtherKeysByTheSameRules) {
    for (const auto& c : kOtherKeys) {
        SCOPED_TRACE(std::string(c.Key) + " degree " + std::to_string(c.Degree));
        const TChord Chord = ChordAt(Key(c.Key), c.Degree, c.Variant);
        EXPECT_EQ(Chord.Root, N(c.Root));
        EXPECT_EQ(NotesOf(Chord), c.Notes);
    }
}

TEST(ChordTonesOf, BorrowedSecondIsDiminishedInBothModesButOnlyMajorKeepsTheVariant) {
    TChordVariant InMajor = cvBorrowed;
    TChordVariant InMinor = cvBorrowed;
    const TChordTones Major = C::ChordTonesOf(InMajor, mdMajor, 2);
    const TChordTones Minor = C::ChordTonesOf(InMinor, mdMinor, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Major[i], Minor[i]);
    }
    EXPECT_EQ(Major[2], (TInterval{4, -2}));
    EXPECT_EQ(InMajor, cvBorrowed);
    EXPECT_EQ(InMinor, cvNormal);
}

TEST(TriadKinds, NoneOfThemNamesAnAugmentedOrOddTriad) {
    const TChord Odd{N("C"), {{{0, 0}, {2, 0}, {4, -2}, EndOfTones, {0, 0}}}};
    EXPECT_FALSE(C::IsMajorTriad(Odd));
    EXPECT_FALSE(C::IsMinorTriad(Odd));
    EXPECT_FALSE(C::IsDiminishedTriad(Odd));
    EXPECT_TRUE(C::IsMajorTriad(ChordAt(Key("a"), 2, cvNeapolitan)));
}

TEST(SameChord, ComparesSoundingRootsAndIntervals) {
    const TChord Neapolitan = ChordAt(Key("C"), 2, cvNeapolitan);
    const TChord DFlat{N("D♭"), {{{0, 0}, {2, 0}, {4, -1}, EndOfTones, {0, 0}}}};
    const TChord CSharp{N("C♯"), {{{0, 0}, {2, 0}, {4, -1}, EndOfTones, {0, 0}}}};
    EXPECT_TRUE(C::SameChord(Neapolitan, DFlat));
    EXPECT_FALSE(C::SameChord(Neapolitan, CSharp));

    const TChord GSharpDim{N("G♯"), {{{0, 0}, {2, -1}, {4, -2}, EndOfTones, {0, 0}}}};
    EXPECT_TRUE(C::SameChord(ChordAt(Key("a"), 7), GSharpDim));
}

TEST(SameTonality, NeedsTheSameSpellingAndMode) {
    EXPECT_FALSE(C::SameTonality(Key("C"), Key("c")));
    EXPECT_FALSE(C::SameTonality(Key("C"), Key("B♯")));
    EXPECT_TRUE(C::SameTonality(Key("e♭"), Key("e♭")));
}

TEST(OtherMode, FlipsMajorAndMinorAndReadsEverythingElseAsMinorToMajor) {
    EXPECT_EQ(C::OtherMode(mdMajor), mdMinor);
    EXPECT_EQ(C::OtherMode(mdMinor), mdMajor);
    EXPECT_EQ(C::OtherMode(static_cast<TMode>(2)), mdMajor);
    EXPECT_EQ(C::OtherMode(static_cast<TMode>(255)), mdMajor);
}

// Values that only a damaged file could carry stay inside the tables (the sanitizer build
// checks the bounds) and read as documented: another mode as major, degrees modulo 7.
TEST(OutOfRange, ModesAndDegreesReadInsideTheTables) {
    const TTonality OddMode{N("C"), static_cast<TMode>(2)};
    EXPECT_EQ(NotesOf(ChordAt(OddMode, 3)), "E G B");
    EXPECT_EQ(NotesOf(ChordAt(Key("C"), 8)), "C E G");
    EXPECT_EQ(NotesOf(ChordAt(Key("C"), 0)), "B D F");
    EXPECT_EQ(NotesOf(ChordAt(Key("C"), -6)), "C E G");
    EXPECT_EQ(NotesOf(ChordAt(Key("C"), INT32_MIN)), NotesOf(ChordAt(Key("C"), INT32_MIN % 7 + 7)));
    EXPECT_EQ(NotesOf(ChordAt(Key("C"), INT32_MAX)), NotesOf(ChordAt(Key("C"), INT32_MAX % 7)));
}

} // namespace
