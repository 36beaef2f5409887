#include "ui/ui_style.h"

#include <QPalette>

QFont KadenzoFont() {
    QFont Font;
    // "ＭＳ 明朝" where it is installed; IPAMincho has the same cell widths everywhere else.
    Font.setFamilies({QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho")});
    Font.setPixelSize(12);
    Font.setStyleHint(QFont::TypeWriter);
    return Font;
}

void MakeFixedDialogFrame(QWidget& Window, QSize ClientSize, QColor Background) {
    Window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Window.setFixedSize(ClientSize);
    Window.setFont(KadenzoFont());
    QPalette Palette = Window.palette();
    Palette.setColor(QPalette::Window, Background);
    Window.setPalette(Palette);
    Window.setAutoFillBackground(true);
}
