#include "progression/score_layout.h"

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
