#pragma once

#include <QColor>
#include <QFont>
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

// A fixed-size window with a title and a close button only.
void MakeFixedDialogFrame(QWidget& Window, QSize ClientSize, QColor Background);
