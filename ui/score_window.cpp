#include "ui/score_window.h"

#include "ui/ui_style.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

const int kClientHeight = TScoreView::ScoreHeight() + 60;
constexpr int kMinimumWidth = 240; // the clef and two measures
constexpr int kDefaultWidth = 640; // about eight measures

// Rect moved the least that puts it inside Available, where it is no larger.
QRect Inside(QRect Rect, QRect Available) {
    Rect.moveLeft(std::clamp(Rect.left(), Available.left(),
                             std::max(Available.left(), Available.right() - Rect.width() + 1)));
    Rect.moveTop(std::clamp(Rect.top(), Available.top(),
                            std::max(Available.top(), Available.bottom() - Rect.height() + 1)));
    return Rect;
}

QList<QRect> AvailableScreens() {
    QList<QRect> Screens;
    for (const QScreen* Screen : QGuiApplication::screens()) {
        Screens << Screen->availableGeometry();
    }
    return Screens;
}

} // namespace

QRect FrameBeside(QRect Main, QRect Available, QSize Preferred, QSize Minimum) {
    enum TSide { sdRight, sdBelow, sdLeft, sdAbove };
    const auto Room = [&](TSide Side) {
        return Side == sdRight  ? Available.right() - Main.right()
               : Side == sdLeft ? Main.left() - Available.left()
                                : Available.width();
    };
    // The frame of Width against Side of Main, moved along it onto the screen where it can be.
    const auto Against = [&](TSide Side, int Width) {
        const QSize Size(Width, Preferred.height());
        const QPoint Corner = Side == sdRight   ? QPoint(Main.right() + 1, Main.top())
                              : Side == sdBelow ? QPoint(Main.left(), Main.bottom() + 1)
                              : Side == sdLeft  ? QPoint(Main.left() - Width, Main.top())
                                                : QPoint(Main.left(), Main.top() - Size.height());
        return Inside(QRect(Corner, Size), Available);
    };
    const TSide Sides[] = {sdRight, sdBelow, sdLeft, sdAbove};
    for (const int Least : {Preferred.width(), Minimum.width()}) {
        for (const TSide Side : Sides) {
            if (Room(Side) < Least) {
                continue;
            }
            const QRect Frame = Against(Side, std::min(Room(Side), Preferred.width()));
            if (Available.contains(Frame) && !Frame.intersects(Main)) {
                return Frame;
            }
        }
    }
    // A screen too small for both: the narrowest frame that covers the least of Main.
    const auto Covered = [&](TSide Side) {
        const QRect Common = Against(Side, Minimum.width()).intersected(Main);
        return Common.width() * Common.height();
    };
    return Against(*std::min_element(std::begin(Sides), std::end(Sides),
                                     [&](TSide A, TSide B) { return Covered(A) < Covered(B); }),
                   Minimum.width());
}

bool MayStay(QRect Frame, QRect Main, const QList<QRect>& Screens) {
    return !Frame.intersects(Main) &&
           std::any_of(Screens.begin(), Screens.end(),
                       [Frame](const QRect& Screen) { return Screen.contains(Frame); });
}

TScoreWindow::TScoreWindow(TFormMainModel& Model, std::function<bool(QEvent&)> PlayKey,
                           TSettingsStore& Settings)
    : QWidget(nullptr), Model(Model), PlayKey(std::move(PlayKey)), Settings(Settings),
      Score(new TScoreView(this)), ButtonClose(new QPushButton(QStringLiteral("閉じる"), this)) {
    setWindowTitle(QStringLiteral("譜表"));
    MakeDialogFrame(*this, PaperColour());
    setWindowIcon(KadenzoIcon());
    setMinimumSize(kMinimumWidth, kClientHeight);
    setMaximumHeight(kClientHeight);
    // The computer keyboard is the instrument: showing this window must not take it away.
    setAttribute(Qt::WA_ShowWithoutActivating);
    Score->setObjectName(QStringLiteral("ScoreView"));
    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setAutoDefault(false);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);
    // With no control to hold it, the focus stays on the window, whose every key is played.
    for (QWidget* Child : findChildren<QWidget*>()) {
        Child->setFocusPolicy(Qt::NoFocus);
    }

    if (const std::optional<QRect> Kept = Settings.Get().ScoreWindow) {
        move(Kept->topLeft());
        resize(Kept->size());
        Placed = true;
    } else {
        resize(kDefaultWidth, kClientHeight);
    }
    Model.AddListener(*this);
    ProgressionChanged({0, Model.CurrentEntry()});
}

TScoreWindow::~TScoreWindow() {
    Model.RemoveListener(*this);
}

void TScoreWindow::ShowBeside(const QWidget& Main) {
    if (isVisible()) {
        raise();
        return;
    }
    // The frame is not known before the window is shown; the desktop draws it as the main
    // window's.
    const QRect MainFrame = Main.frameGeometry();
    const QSize Margins = MainFrame.size() - Main.size();
    QRect Frame(pos(), size() + Margins);
    if (!Placed || !MayStay(Frame, MainFrame, AvailableScreens())) {
        const QScreen* Screen = Main.screen();
        Frame = FrameBeside(MainFrame, Screen->availableGeometry(), Frame.size(),
                            minimumSize() + Margins);
    }
    move(Frame.topLeft());
    resize(Frame.size() - Margins);
    Placed = true;
    show();
}

void TScoreWindow::ShowStatus(const QString& Text) {
    LabelStatus->setText(Text);
}

void TScoreWindow::ProgressionChanged(const TProgressionChange& Change) {
    if (Change.FirstChanged) {
        Score->Follow(Model.GetProgression(), *Change.FirstChanged);
    }
    Current = Change.Current ? static_cast<int>(*Change.Current) : -1;
    Score->SetCurrent(Current);
}

bool TScoreWindow::event(QEvent* Event) {
    return PlayWindowKey(*this, *Event, PlayKey) || QWidget::event(Event);
}

void TScoreWindow::resizeEvent(QResizeEvent* Event) {
    Score->setGeometry(8, 8, width() - 16, TScoreView::ScoreHeight() + 16);
    ButtonClose->setGeometry(width() - 73, TScoreView::ScoreHeight() + 30, 65, 25);
    LabelStatus->setGeometry(8, TScoreView::ScoreHeight() + 30, width() - 90, 25);
    Score->SetCurrent(Current);
    QWidget::resizeEvent(Event);
}

// Laid out while hidden, the view scrolled without knowing its width; now it does.
void TScoreWindow::showEvent(QShowEvent* Event) {
    Score->SetCurrent(Current);
    QWidget::showEvent(Event);
}

void TScoreWindow::hideEvent(QHideEvent* Event) {
    TSettings Changed = Settings.Get();
    Changed.ScoreWindow = QRect(pos(), size());
    Settings.Set(Changed);
    QWidget::hideEvent(Event);
}
