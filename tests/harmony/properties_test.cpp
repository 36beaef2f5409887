#include "harmony_test_util.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using C = TCalculatorEx;

// Every key with a tonic of up to two sharps or flats, in both modes.
std::vector<TTonality> AllKeys() {
    std::vector<TTonality> Keys;
    for (const char Letter : std::string("CDEFGAB")) {
        for (std::int32_t Accidental = -2; Accidental <= 2; ++Accidental) {
            for (const TMode Mode : {mdMajor, mdMinor}) {
                Keys.push_back({{Letter, Accidental}, Mode});
            }
        }
    }
    return Keys;
}

const TChordVariant kVariants[] = {cvNormal, cvBorrowed, cvDorian, cvNeapolitan};

TEST(Properties, TransposeDownUndoesTranspose) {
    for (const TTonality& Key : AllKeys()) {
        for (std::int32_t Steps = -8; Steps <= 14; ++Steps) {
            for (std::int32_t Alter = -3; Alter <= 3; ++Alter) {
                const TInterval By{Steps, Alter};
                ASSERT_EQ(C::TransposeDown(C::Transpose(Key.Tonic, By), By), Key.Tonic)
                    << Describe(Key.Tonic) << " by " << Describe(By);
            }
        }
    }
}

TEST(Properties, FindDegreeFindsEveryChordThatChordOfBuilds) {
    for (const TTonality& Key : AllKeys()) {
        for (std::int32_t Degree = 1; Degree <= 7; ++Degree) {
            for (const TChordVariant Asked : kVariants) {
                TChordVariant Variant = Asked;
                const TChord Chord = C::ChordOf(Variant, Key, Degree);
                TChordVariant Found = 99;
                ASSERT_EQ(C::FindDegree(Key, Chord, Found), Degree)
                    << Describe(Key) << " degree " << Degree << " variant " << int(Asked);
                EXPECT_EQ(Found, Variant);
            }
        }
    }
}

TEST(Properties, IntervalFromToIsWhatTransposeTravels) {
    for (const TTonality& Key : AllKeys()) {
        for (const char Letter : std::string("CDEFGAB")) {
            for (std::int32_t Accidental = -3; Accidental <= 3; ++Accidental) {
                const TNoteName Upper{Letter, Accidental};
                const TInterval By = C::IntervalFromTo(Key.Tonic, Upper);
                ASSERT_TRUE(By.Steps >= 0 && By.Steps <= 6) << Describe(By);
                ASSERT_EQ(C::Transpose(Key.Tonic, By), Upper)
                    << Describe(Key.Tonic) << " to " << Describe(Upper);
            }
        }
    }
}

// The degree a key holds a chord on, found by building every chord of the key in order.
std::int32_t BuiltDegree(TTonality Key, const TChord& Chord, TChordVariant& Variant) {
    for (std::int32_t Degree = 1; Degree <= 7; ++Degree) {
        for (const TChordVariant Asked : kVariants) {
            TChordVariant Tried = Asked;
            if (C::SameChord(C::ChordOf(Tried, Key, Degree), Chord) && Tried == Asked) {
                Variant = Tried;
                return Degree;
            }
        }
    }
    return -1;
}

// Every triad kind on every root of up to two accidentals, in every key (and in a key of a
// mode out of range): the same degree and variant as building the key's chords gives.
TEST(Properties, FindDegreeAgreesWithBuildingEveryChordOfTheKey) {
    const TChordTones Kinds[] = {
        {{{0, 0}, {2, 0}, {4, -1}, EndOfTones, {0, 0}}},  // major
        {{{0, 0}, {2, -1}, {4, -1}, EndOfTones, {0, 0}}}, // minor
        {{{0, 0}, {2, -1}, {4, -2}, EndOfTones, {0, 0}}}, // diminished
        {{{0, 0}, {2, 0}, {4, 0}, EndOfTones, {0, 0}}},   // augmented
        {{{0, -1}, {2, 0}, {4, -2}, EndOfTones, {0, 0}}}, // a Neapolitan's shape
    };
    std::vector<TTonality> Keys = AllKeys();
    Keys.push_back({{'D', 0}, static_cast<TMode>(2)});
    int Found = 0;
    for (const TTonality& Key : Keys) {
        for (const char Letter : std::string("CDEFGAB")) {
            for (std::int32_t Accidental = -2; Accidental <= 2; ++Accidental) {
                for (const TChordTones& Tones : Kinds) {
                    const TChord Chord{{Letter, Accidental}, Tones};
                    TChordVariant Want = 99, Got = 99;
                    const std::int32_t Degree = BuiltDegree(Key, Chord, Want);
                    ASSERT_EQ(C::FindDegree(Key, Chord, Got), Degree)
                        << Describe(Key) << " " << Describe(Chord.Root);
                    ASSERT_EQ(Got, Want) << Describe(Key) << " " << Describe(Chord.Root);
                    Found += Degree > 0;
                }
            }
        }
    }
    EXPECT_GT(Found, 600); // most keys hold many of these chords
}

TEST(Properties, ReinterpretKeepsTheSound) {
    int Successes = 0;
    for (const TTonality& Key : AllKeys()) {
        for (std::int32_t Degree = 1; Degree <= 7; ++Degree) {
            for (const TChordVariant Asked : kVariants) {
                for (std::int32_t Target = 1; Target <= 7; ++Target) {
                    TChordVariant Variant = Asked;
                    const TChord Before = C::ChordOf(Variant, Key, Degree);
                    TTonality NewKey = Key;
                    TChordVariant NewVariant = Asked;
                    if (!C::Reinterpret(NewKey, Degree, Target, NewVariant)) {
                        continue;
                    }
                    ++Successes;
                    TChordVariant Check = NewVariant;
                    const TChord After = C::ChordOf(Check, NewKey, Target);
                    ASSERT_TRUE(C::SameChord(After, Before))
                        << Describe(Key) << " degree " << Degree << " variant " << int(Asked)
                        << " to " << Target << " in " << Describe(NewKey);
                    EXPECT_EQ(Check, NewVariant); // the reading's variant applies there
                }
            }
        }
    }
    EXPECT_GT(Successes, 1000);
}

} // namespace
