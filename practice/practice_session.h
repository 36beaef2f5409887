#pragma once

#include "practice/grading.h"
#include "practice/lessons.h"
#include "practice/question.h"
#include "practice/records.h"
#include "progression/beat_player.h"
#include "progression/form_main_model.h"
#include "progression/progression_listener.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A dictation practice on the main window's model: it borrows the model's working state for
// the answer and gives it back at the end, grades each entry as the model places it, and
// keeps the lesson's record in Records (the caller's, which outlive the session).
class TPracticeSession : private TProgressionListener {
public:
    TPracticeSession(TFormMainModel& Form, TRecords& Records);
    ~TPracticeSession() override;
    TPracticeSession(const TPracticeSession&) = delete;
    TPracticeSession& operator=(const TPracticeSession&) = delete;

    // Asks the question of Lesson ("1".."7", or a teacher's folder) for Seed, drawn towards the
    // degrees the lesson's record shows confused when Focused; the answer starts afresh in the
    // question's key. A question left unanswered counts as asked and not right. The error text
    // when the lesson does not exist or does not read; nothing changes then.
    std::optional<std::string> Ask(const std::string& Lesson, std::uint32_t Seed,
                                   bool Focused = false);
    // The question's sound, a step a beat: the orientation (I–IV–V–I of its key), a rest of a
    // beat, the question (each part led afresh in four parts), then silence.
    std::vector<TBeatPlayer::TStep> SoundSteps();
    // The grades given since the last call, in order.
    std::vector<TGrade> TakeGrades();

    bool Asking() const { return Sheet.has_value(); }
    const TQuestion& Question() const { return Asked; }
    const std::string& Lesson() const { return LessonName; }
    // The title of the lesson asked: the built-in lesson's, or the teacher's.
    const std::string& LessonTitle() const { return Title; }
    // Messages of the last Ask that asked (files of a teacher's folder skipped).
    const std::string& Notice() const { return LessonNotice; }
    bool Complete() const { return Sheet && Sheet->Complete(); }
    std::size_t RightCount() const { return Sheet ? Sheet->RightCount() : 0; }
    const TLessonRecord& Record() const;
    // Counts the question asked, if not counted yet (the answer shown before it was complete).
    void Reveal();
    // Ends the practice: the question counted, the model's working state given back.
    void End();

private:
    void ProgressionChanged(const TProgressionChange& Change) override;
    void Count();

    TFormMainModel& Form;
    TRecords& Records;
    std::optional<TWorkingState> Borrowed;
    std::optional<TTeacherLesson> Teacher;
    std::string LessonName;
    std::string Title;
    std::string LessonNotice;
    TQuestion Asked;
    std::optional<TAnswerSheet> Sheet;
    bool Counted = false;
    std::vector<TGrade> Pending;
};
