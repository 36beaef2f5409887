#pragma once

#include "practice/practice_session.h"
#include "practice/records.h"
#include "progression/form_main_model.h"
#include "progression/progression_listener.h"
#include "ui/beat_driver.h"
#include "ui/score_view.h"
#include "ui/settings.h"

#include <QWidget>

#include <functional>
#include <map>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The window 「聴音練習」: a lesson chosen, its question played at the tempo set, the answer
// played with the main window's keys while this window has them, each chord graded as it
// comes, the question shown on the grand staff with the mistakes marked, and the lesson's
// record. While a question is asked the model's working state is the answer's; closing the
// window gives it back.
class TPracticeWindow : public QWidget, private TProgressionListener {
public:
    // Model, PlayKey and Settings as for the score window; the records are kept in
    // RecordsPath.
    TPracticeWindow(TFormMainModel& Model, std::function<bool(QEvent&)> PlayKey,
                    TSettingsStore& Settings, std::string RecordsPath);
    ~TPracticeWindow() override;

    // Asks the chosen lesson's question for Seed and plays it (「出題」 draws the seed).
    void Ask(std::uint32_t Seed);
    TScoreView& View() { return *Score; }
    const TPracticeSession& Session() const { return Practice; }

protected:
    bool event(QEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

private:
    void ProgressionChanged(const TProgressionChange& Change) override;
    void AddLessons();
    void OpenLessonFolder();
    // Adds a teacher's folder above 「レッスンを開く…」 and chooses it, if it reads as a lesson;
    // what was skipped or refused is told when Tell.
    bool AddTeacherLesson(const QString& Folder, bool Tell);
    void PlayQuestion();
    void ShowQuestion();
    void ShowGrades();
    void ShowRecord();
    void KeepRecords();
    void KeepChoices();
    std::string ChosenLesson() const;
    bool BuiltInLessonChosen() const;
    std::uint32_t NextSeed();

    TFormMainModel& Model;
    std::function<bool(QEvent&)> PlayKey;
    TSettingsStore& Settings;
    std::string RecordsPath;
    TRecords Records;
    TPracticeSession Practice;
    TBeatDriver Playback;
    std::vector<std::optional<bool>> Marks;            // each place's last grade
    bool Shown = false;                                // the question is on the staff
    bool Revealed = false;                             // shown before the answer was complete
    std::map<std::string, std::uint32_t> TeacherAsked; // questions asked of each teacher's lesson

    QComboBox* ComboLesson;
    QCheckBox* CheckWeak;
    QSpinBox* SpinTempo;
    QPushButton* ButtonAsk;
    QPushButton* ButtonAgain;
    QPushButton* ButtonReveal;
    QLabel* LabelGrades;
    TScoreView* Score;
    QLabel* LabelRecord;
    QPushButton* ButtonClose;
};
