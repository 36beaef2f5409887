#include "score/score_layout.h"

#include "harmony/calculator.h"
#include "harmony/key_signature.h"
#include "tests/harmony/harmony_test_util.h"

#include <gtest/gtest.h>

namespace {

TEST(ScoreLayout, SignaturesGiveSharpsAndFlatsInTheirOrder) {
    struct TCase {
        std::int32_t Fifths;
        const char* Sharpened; // letters the signature alters, A..G
        int Alter;
    };
    const TCase kCases[] = {
        {0, "", 0},        {1, "F", 1},   {2, "FC", 1},    {4, "FCGD", 1},
        {7, "ABCDEFG", 1}, {-1, "B", -1}, {-3, "BEA", -1}, {-7, "ABCDEFG", -1},
    };
    for (const TCase& c : kCases) {
        for (char Letter = 'A'; Letter <= 'G'; ++Letter) {
            const bool Altered = std::string(c.Sharpened).find(Letter) != std::string::npos;
            EXPECT_EQ(SignatureAlter(c.Fifths, Letter), Altered ? c.Alter : 0)
                << c.Fifths << " " << Letter;
        }
    }
}

// Accidentals where the signature does not give the note: the raised leading tone in minor,
// the Neapolitan's flat, none for B major's D♯ in E major.
TEST(ScoreLayout, AccidentalsWhereTheSignatureDiffersOnly) {
    const std::vector<TProgressionEntry> Entries = {
        {{{'A', 0}, mdMinor}, 5, cvNormal},
        {{{'A', 0}, mdMinor}, 2, cvNeapolitan},
        {{{'E', 0}, mdMajor}, 5, cvNormal},
    };
    const std::vector<TScoreMeasure> Measures = ScoreMeasures(Entries);
    ASSERT_EQ(Measures.size(), 3u);
    const auto Shown = [](const TScoreMeasure& Measure, char Letter) {
        for (const TScoreNote& Note : Measure.Notes) {
            if (Note.Name.Letter == Letter) {
                return Note.Accidental;
            }
        }
        return std::optional<int>(99);
    };
    EXPECT_EQ(Shown(Measures[0], 'G'), std::optional<int>(1));
    EXPECT_EQ(Shown(Measures[0], 'E'), std::nullopt);
    EXPECT_EQ(Shown(Measures[1], 'B'), std::optional<int>(-1));
    EXPECT_EQ(Shown(Measures[2], 'D'), std::nullopt);
    EXPECT_TRUE(Measures[0].KeyChange && !Measures[1].KeyChange && Measures[2].KeyChange);
    EXPECT_EQ(Measures[2].Fifths, 4);
    EXPECT_EQ(Measures[1].Degree, "-Ⅱ");
}

} // namespace

namespace {

std::vector<int> Sounding(const std::vector<TScoreMeasure>& Measures) {
    std::vector<int> Notes;
    for (const TScoreMeasure& Measure : Measures) {
        for (const TScoreNote& Note : Measure.Notes) {
            Notes.push_back(Note.Midi);
        }
    }
    return Notes;
}

std::vector<std::string> Readings(const std::vector<TScoreMeasure>& Measures) {
    std::vector<std::string> Texts;
    for (const TScoreMeasure& Measure : Measures) {
        Texts.push_back(Measure.Degree + "|" + Measure.Pivot + "|" +
                        std::to_string(Measure.KeyChange));
    }
    return Texts;
}

// Growing a chord at a time, or changing the last chord (as Space does), gives the score that
// laying out the whole progression gives.
TEST(ScoreLayout, ExtendingGivesTheWholeLayout) {
    const std::vector<TProgressionEntry> Entries = {
        {{{'C', 0}, mdMajor}, 1, cvNormal}, {{{'C', 0}, mdMajor}, 6, cvNormal},
        {{{'C', 0}, mdMajor}, 1, cvNormal}, {{{'G', 0}, mdMajor}, 5, cvNormal},
        {{{'G', 0}, mdMajor}, 1, cvNormal}, {{{'A', 0}, mdMinor}, 5, cvNormal},
    };
    std::vector<TScoreMeasure> Grown;
    for (std::size_t Count = 1; Count <= Entries.size(); ++Count) {
        const std::vector<TProgressionEntry> First(Entries.begin(), Entries.begin() + Count);
        ExtendScore(Grown, First);
        const std::vector<TScoreMeasure> Whole = ScoreMeasures(First);
        EXPECT_EQ(Sounding(Grown), Sounding(Whole)) << Count;
        EXPECT_EQ(Readings(Grown), Readings(Whole)) << Count;
    }
    std::vector<TProgressionEntry> Changed = Entries;
    Changed[3] = {{{'C', 0}, mdMajor}, 5, cvNormal}; // the pivot before it reads differently
    Changed.resize(4);
    Grown.resize(3);
    ExtendScore(Grown, Changed);
    EXPECT_EQ(Sounding(Grown), Sounding(ScoreMeasures(Changed)));
    EXPECT_EQ(Readings(Grown), Readings(ScoreMeasures(Changed)));
}

} // namespace

namespace {

// A key past seven sharps or flats is written as its enharmonic twin, with its notes and
// labels; every key a progression file can hold gives signatures of at most seven and notes
// of at most a double sharp or flat, sounding as the voices do.
TEST(ScoreLayout, KeysPastSevenAreWrittenAsTheirTwins) {
    const std::pair<TTonality, TTonality> kTwins[] = {
        {{{'G', 1}, mdMajor}, {{'A', -1}, mdMajor}},  // 8 → -4
        {{{'E', 1}, mdMinor}, {{'F', 0}, mdMinor}},   // 8 → -4
        {{{'E', 2}, mdMajor}, {{'F', 1}, mdMajor}},   // 18 → 6, not -6
        {{{'A', -3}, mdMajor}, {{'G', -1}, mdMajor}}, // -18 → -6, not 6
    };
    for (const auto& [Key, Want] : kTwins) {
        EXPECT_TRUE(TCalculatorEx::SameTonality(WrittenKey(Key), Want)) << Describe(Key);
    }
    const auto PitchClass = [](TNoteName Name) {
        return (TCalculator::PitchClass(Name) % 12 + 12) % 12;
    };
    for (const TMode Mode : {mdMajor, mdMinor}) {
        for (const char Letter : std::string("ABCDEFG")) {
            for (std::int32_t Accidental = -9; Accidental <= 99; ++Accidental) {
                const TTonality Key{{Letter, Accidental}, Mode};
                SCOPED_TRACE(Describe(Key));
                const TTonality Written = WrittenKey(Key);
                ASSERT_LE(std::abs(KeySignatureFifths(Written)), 7);
                ASSERT_EQ(Written.Mode, Mode);
                ASSERT_EQ(PitchClass(Written.Tonic), PitchClass(Key.Tonic));
                if (std::abs(KeySignatureFifths(Key)) <= 7) {
                    ASSERT_TRUE(TCalculatorEx::SameTonality(Written, Key));
                }
                std::vector<TProgressionEntry> Entries;
                for (std::int32_t Degree = 1; Degree <= 7; ++Degree) {
                    for (const TChordVariant Variant :
                         {cvNormal, cvBorrowed, cvDorian, cvNeapolitan}) {
                        Entries.push_back({Key, Degree, Variant});
                    }
                }
                for (const TScoreMeasure& Measure : ScoreMeasures(Entries)) {
                    ASSERT_EQ(Measure.Fifths, KeySignatureFifths(Written));
                    for (const TScoreNote& Note : Measure.Notes) {
                        ASSERT_LE(std::abs(Note.Name.Accidental), 2);
                        ASSERT_EQ(12 * (Note.Octave + 1) + PitchClass({Note.Name.Letter, 0}) +
                                      Note.Name.Accidental,
                                  Note.Midi);
                    }
                }
            }
        }
    }
}

} // namespace
