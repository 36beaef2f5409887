#include "ui/score_window.h"

#include "ui/ui_style.h"

#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

namespace {

const int kHeight = TScoreView::ScoreHeight();

} // namespace

TScoreWindow::TScoreWindow(const TFormMainModel& Model)
    : QWidget(nullptr), Model(Model), Score(new TScoreView(this)),
      ButtonClose(new QPushButton(QStringLiteral("閉じる"), this)) {
    setWindowTitle(QStringLiteral("譜表"));
    MakeFixedDialogFrame(*this, {640, kHeight + 60}, PaperColour());
    Score->setObjectName(QStringLiteral("ScoreView"));
    Score->setGeometry(8, 8, 624, kHeight + 16);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setGeometry(567, kHeight + 30, 65, 25);
    ButtonClose->setAutoDefault(false);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);
    Watch.setInterval(20);
    connect(&Watch, &QTimer::timeout, this, [this] { Follow(); });
}

void TScoreWindow::ShowInFront() {
    ::ShowInFront(*this);
}

void TScoreWindow::Follow() {
    // Read in place: the polling costs a comparison until the progression changes.
    const std::vector<TProgressionEntry>& Entries = Model.GetProgression();
    const int Cursor = Model.GetCursor();
    const auto Same = [](const TProgressionEntry& A, const TProgressionEntry& B) {
        return A.Degree == B.Degree && A.Variant == B.Variant &&
               A.Tonality.Mode == B.Tonality.Mode &&
               A.Tonality.Tonic.Letter == B.Tonality.Tonic.Letter &&
               A.Tonality.Tonic.Accidental == B.Tonality.Tonic.Accidental;
    };
    // Only what follows the first entry that differs is laid out again.
    const auto Unchanged = static_cast<std::size_t>(
        std::mismatch(Entries.begin(), Entries.end(), Shown.begin(), Shown.end(), Same).first -
        Entries.begin());
    if (!Read || Unchanged != Entries.size() || Entries.size() != Shown.size()) {
        Score->Follow(Entries, Read ? Unchanged : 0);
        Shown = Entries;
        Read = true;
        ShownCursor = -2;
    }
    if (Cursor != ShownCursor) {
        ShownCursor = Cursor;
        Score->SetCurrent(Cursor - 1);
    }
}

void TScoreWindow::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(Event);
}

void TScoreWindow::showEvent(QShowEvent* Event) {
    Follow();
    Watch.start();
    QWidget::showEvent(Event);
}

void TScoreWindow::hideEvent(QHideEvent* Event) {
    Watch.stop();
    QWidget::hideEvent(Event);
}
