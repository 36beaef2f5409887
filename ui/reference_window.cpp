#include "ui/reference_window.h"

#include "ui/ui_style.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QTextEdit>

namespace {

QString Joined(const std::vector<std::string>& Lines) {
    QStringList Texts;
    for (const std::string& Line : Lines) {
        Texts << QString::fromStdString(Line);
    }
    return Texts.join(QLatin1Char('\n'));
}

} // namespace

TReferenceWindow::TReferenceWindow(const TLook& Look, const std::vector<std::string>& Lines)
    : QWidget(nullptr), MemoManual(new QTextEdit(this)),
      ButtonClose(new QPushButton(QStringLiteral("閉じる"), this)), Lines(Lines) {
    setWindowTitle(QString::fromUtf8(Look.Caption));
    MakeFixedDialogFrame(*this, Look.ClientSize, Look.Background);

    MemoManual->setObjectName(QStringLiteral("MemoManual"));
    MemoManual->setGeometry(Look.TextArea);
    MemoManual->setReadOnly(true);
    MemoManual->setFrameStyle(QFrame::NoFrame);
    MemoManual->setLineWrapMode(QTextEdit::WidgetWidth);
    MemoManual->setAcceptRichText(false);
    MemoManual->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoManual->setVerticalScrollBarPolicy(Look.VerticalScrollBar ? Qt::ScrollBarAlwaysOn
                                                                  : Qt::ScrollBarAlwaysOff);
    QPalette Palette = MemoManual->palette();
    Palette.setColor(QPalette::Base, PaperColour());
    MemoManual->setPalette(Palette);

    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setGeometry(472, 400, 66, 25);
    ButtonClose->setAutoDefault(false);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);

    setTabOrder(MemoManual, ButtonClose);
    MemoManual->installEventFilter(this);
    ButtonClose->installEventFilter(this);
}

void TReferenceWindow::showEvent(QShowEvent* Event) {
    if (!TextShown) {
        TextShown = true;
        MemoManual->setPlainText(Joined(Lines));
        SetCellLines(*MemoManual);
    }
    QWidget::showEvent(Event);
}

void TReferenceWindow::ShowInFront() {
    ::ShowInFront(*this);
}

bool TReferenceWindow::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::KeyPress && OnKeyDown(static_cast<QKeyEvent*>(Event)->key())) {
        return true;
    }
    return QWidget::eventFilter(Watched, Event);
}

void TReferenceWindow::keyPressEvent(QKeyEvent* Event) {
    if (!OnKeyDown(Event->key())) {
        QWidget::keyPressEvent(Event);
    }
}

// Esc closes the window; every other key is left alone.
bool TReferenceWindow::OnKeyDown(int Key) {
    if (Key != Qt::Key_Escape) {
        return false;
    }
    close();
    return true;
}

TReferenceWindow& TReferenceWindowSlot::Get() {
    if (Window == nullptr) {
        Owned = Make();
        Window = Owned.get();
    }
    return *Window;
}

void TReferenceWindowSlot::Close() {
    if (Window != nullptr) {
        Window->close();
    }
}
