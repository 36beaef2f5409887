#include "practice/grading.h"

#include "progression/progression_file.h"

#include <algorithm>

TGrade GradeEntry(const TQuestion& Question, std::size_t Index, const TProgressionEntry& Answered) {
    const std::string Expected = EntryLine(Question.Entries[Index]);
    return {Index, EntryLine(Answered) == Expected, Expected};
}

TDegreeWeights ConfusedDegrees(const TLessonRecord& Record) {
    TDegreeWeights Weights{};
    for (std::size_t Expected = 0; Expected < 7; ++Expected) {
        for (std::size_t Answered = 0; Answered < 7; ++Answered) {
            if (Expected != Answered) {
                Weights[Expected] += Record.Confusion[Expected][Answered];
                Weights[Answered] += Record.Confusion[Expected][Answered];
            }
        }
    }
    return Weights;
}

TAnswerSheet::TAnswerSheet(TQuestion Question)
    : Question(std::move(Question)), FirstAnswered(this->Question.Entries.size()) {}

std::vector<TGrade> TAnswerSheet::Grade(const std::vector<TProgressionEntry>& Answer,
                                        std::size_t FirstChanged) {
    const std::size_t Placed = std::min(Answer.size(), Question.Entries.size());
    Right.resize(Placed);
    std::vector<TGrade> Grades;
    for (std::size_t Index = FirstChanged; Index < Placed; ++Index) {
        Grades.push_back(GradeEntry(Question, Index, Answer[Index]));
        Right[Index] = Grades.back().Right;
        AnyWrong = AnyWrong || !Right[Index];
        if (!FirstAnswered[Index]) {
            FirstAnswered[Index] = Answer[Index].Degree;
        }
    }
    return Grades;
}

bool TAnswerSheet::Complete() const {
    return !Question.Entries.empty() && Right.size() == Question.Entries.size();
}

std::size_t TAnswerSheet::RightCount() const {
    return static_cast<std::size_t>(std::count(Right.begin(), Right.end(), true));
}

void TAnswerSheet::AddTo(TLessonRecord& Record) const {
    ++Record.Asked;
    Record.Right += RightAtFirstTry() ? 1 : 0;
    for (std::size_t Index = 0; Index < FirstAnswered.size(); ++Index) {
        if (FirstAnswered[Index]) {
            const std::size_t Expected = DegreeIndex(Question.Entries[Index].Degree);
            ++Record.Confusion[Expected][DegreeIndex(*FirstAnswered[Index])];
        }
    }
}
