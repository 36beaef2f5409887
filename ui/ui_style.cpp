#include "ui/ui_style.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

QFont KadenzoFont() {
    QFont Font;
    // "ＭＳ 明朝" where it is installed; IPAMincho has the same cell widths everywhere else.
    Font.setFamilies({QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho")});
    Font.setPixelSize(12);
    Font.setStyleHint(QFont::TypeWriter);
    return Font;
}

QIcon KadenzoIcon() {
    return QIcon(QStringLiteral(":/kadenzo/kadenzo.svg"));
}

QColor PaperColour() {
    return {255, 255, 224};
}

void MakeFixedDialogFrame(QWidget& Window, QSize ClientSize, QColor Background,
                          TWindowRole Role) {
    // A dialog-typed main window would be kept off the taskbar by some desktops, and Qt makes
    // a parentless dialog transient for its hidden group leader.
    const Qt::WindowType Type = Role == TWindowRole::Main ? Qt::Window : Qt::Dialog;
    Window.setWindowFlags(Type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Window.setFixedSize(ClientSize);
    Window.setFont(KadenzoFont());
    QPalette Palette = Window.palette();
    Palette.setColor(QPalette::Window, Background);
    Window.setPalette(Palette);
    Window.setAutoFillBackground(true);
}

void SetCellLines(QTextEdit& Field) {
    constexpr int kCellHeight = 12;
    Field.document()->setDocumentMargin(2);
    QTextCursor All(Field.document());
    All.select(QTextCursor::Document);
    QTextBlockFormat Format;
    Format.setLineHeight(kCellHeight, QTextBlockFormat::FixedHeight);
    All.mergeBlockFormat(Format);
}

void ShowInFront(QWidget& Window) {
    if (!Window.isVisible()) {
        if (const QScreen* Screen = QGuiApplication::primaryScreen()) {
            Window.move(Screen->availableGeometry().center() - Window.rect().center());
        }
        Window.show();
    }
    Window.raise();
    Window.activateWindow();
}
