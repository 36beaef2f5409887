#pragma once

#include "practice/question.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One entry of an answer against the question's entry at the same place: right when their
// six-character lines are equal.
struct TGrade {
    std::size_t Index; // from 0
    bool Right;
    std::string Expected; // the question's line
};

TGrade GradeEntry(const TQuestion& Question, std::size_t Index, const TProgressionEntry& Answered);

// A lesson's record: questions answered, answers right at the first try, and for each expected
// degree what was first answered at its place (Confusion[expected - 1][answered - 1]; the
// diagonal holds the degrees heard right, whatever the key or variant).
struct TLessonRecord {
    std::uint32_t Asked = 0;
    std::uint32_t Right = 0;
    std::array<std::array<std::uint32_t, 7>, 7> Confusion{};
};

// The degrees a record shows confused, each weighed by how often it was mistaken for another
// degree or another for it: what FocusedQuestion draws towards.
TDegreeWeights ConfusedDegrees(const TLessonRecord& Record);

// One answer to one question, graded as its entries are placed. An entry is graded when it is
// placed and again whenever it is placed anew (Space reads it again, Home and the keys play
// it again). The answer is right at the first try when no grade of it was wrong: what a
// re-reading corrects still counts as a mistake. The confusion counts the first answer at each
// place.
class TAnswerSheet {
public:
    explicit TAnswerSheet(TQuestion Question);

    // Grades Answer's entries from FirstChanged on, up to the question's length, as the model
    // tells its listeners what changed.
    std::vector<TGrade> Grade(const std::vector<TProgressionEntry>& Answer,
                              std::size_t FirstChanged);
    // The answer last graded holds as many entries as the question.
    bool Complete() const;
    // The entries of the answer last graded that are right.
    std::size_t RightCount() const;
    bool RightAtFirstTry() const { return Complete() && !AnyWrong; }
    // Adds the answer to its lesson's record: one question, and the first answer at each place.
    void AddTo(TLessonRecord& Record) const;

private:
    TQuestion Question;
    std::vector<bool> Right;                                // of the answer last graded
    std::vector<std::optional<std::int32_t>> FirstAnswered; // the degree first placed at each place
    bool AnyWrong = false;
};
