#pragma once

#include "progression/form_main_model.h"
#include "progression/progression_listener.h"
#include "ui/score_view.h"
#include "ui/settings.h"

#include <QList>
#include <QRect>
#include <QWidget>

#include <functional>

class QPushButton;

// Where a window of frame size Preferred goes beside the frame Main, inside Available: right of
// it, else below, else left, else above, at Preferred's width where a side holds it, else as
// wide as the first side that holds Minimum's width allows. Where no side does, the window
// stays on the screen even if it covers part of Main.
QRect FrameBeside(QRect Main, QRect Available, QSize Preferred, QSize Minimum);

// Whether a window whose frame is at Frame may stay there: whole on one of the Screens and
// clear of the frame Main.
bool MayStay(QRect Frame, QRect Main, const QList<QRect>& Screens);

// The window 「譜表」 beside the main window, following the progression as it is played. It
// never takes the keyboard from the main window, and keys typed into it play as there.
class TScoreWindow : public QWidget, private TProgressionListener {
public:
    // Shows the progression of Model, which outlives the window, and follows it;
    // PlayKey plays a key event as the main window does and says whether it took it. The
    // window's place is kept in Settings, which outlive it too.
    TScoreWindow(TFormMainModel& Model, std::function<bool(QEvent&)> PlayKey,
                 TSettingsStore& Settings);
    ~TScoreWindow() override;

    // Shows the window beside Main (where it was last, if that is still clear of Main and on a
    // screen), or brings it to the front; the keyboard stays where it is either way.
    void ShowBeside(const QWidget& Main);
    TScoreView& View() { return *Score; }
    // A line about what was played in, beside the close button ("" clears it).
    void ShowStatus(const QString& Text);

protected:
    bool event(QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

private:
    void ProgressionChanged(const TProgressionChange& Change) override;

    TFormMainModel& Model;
    std::function<bool(QEvent&)> PlayKey;
    TSettingsStore& Settings;
    TScoreView* Score;
    QPushButton* ButtonClose;
    class QLabel* LabelStatus;
    int Current = -1;
    // Whether the window has a place of its own, remembered or taken on the screen.
    bool Placed = false;
};
