#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

// The look all windows share: the Mincho font at 12 pixels, in which a full-width character is
// exactly two half-width cells, so that chord names stand over their numerals.
QFont KadenzoFont();

// A fixed-size window with a title and a close button only.
void MakeFixedDialogFrame(QWidget& Window, QSize ClientSize, QColor Background);
