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
            for (std::uint8_t Mode = 0; Mode <= 1; ++Mode) {
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
