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
