#pragma once

#include "progression/form_main_model.h"
#include "progression/progression_entry.h"
#include "ui/score_view.h"

#include <QTimer>
#include <QWidget>

#include <vector>

class QPushButton;

// The window 「譜表」 beside the main window, following the progression as it is played.
class TScoreWindow : public QWidget {
public:
    // Shows the progression of Model, which outlives the window.
    explicit TScoreWindow(const TFormMainModel& Model);

    void ShowInFront();
    // Reads the progression again, if it changed.
    void Follow();
    TScoreView& View() { return *Score; }

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

private:
    const TFormMainModel& Model;
    TScoreView* Score;
    QPushButton* ButtonClose;
    QTimer Watch;
    std::vector<TProgressionEntry> Shown;
    int ShownCursor = -1;
    bool Read = false;
};
