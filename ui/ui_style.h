#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QWidget>

// The look all windows share: the Mincho font at 12 pixels, in which a full-width character is
// exactly two half-width cells, so that chord names stand over their numerals.
QFont KadenzoFont();

class QTextEdit;

// Sets every line of the field 12 pixels apart, the cell height of "ＭＳ 明朝" at 12 pixels
// (IPAMincho alone would take 14), with a narrow margin, so the texts fit their windows.
void SetCellLines(QTextEdit& Field);

// The light yellow behind the main window, the key reference and every reference text.
QColor PaperColour();

// Shows a window centred on the screen, or brings it to the front if it is shown.
void ShowInFront(QWidget& Window);

// What a fixed-size window is to the desktop: the program's main window, listed in the taskbar
// and the window switcher, or one of its secondary windows.
enum class TWindowRole { Main, Secondary };

// A fixed-size window with a title and a close button only (no maximise, no resize).
void MakeFixedDialogFrame(QWidget& Window, QSize ClientSize, QColor Background,
                          TWindowRole Role = TWindowRole::Secondary);

// The program's icon, drawn from its SVG wherever the desktop asks for a size.
QIcon KadenzoIcon();
