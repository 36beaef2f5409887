#pragma once

#include <functional>

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QWidget>

class QCoreApplication;

#include <optional>
#include <string>

// The look all windows and their dialogs share: a Japanese font at 12 pixels in which every
// character the display holds takes exactly its columns (a full-width one two half-width
// cells), so that chord names stand over their numerals. Chosen at the first call from
// DisplayFamilies(); when none is installed, says so on the terminal once and takes the
// closest the system has.
QFont KadenzoFont();

// The families tried for the display, best first.
QStringList DisplayFamilies();

// The first of Families that is installed and gives every character of Characters (UTF-8)
// its columns at 12 pixels, with no glyph borrowed from another font.
std::optional<QString> FindCellFamily(const QStringList& Families, const std::string& Characters);

class QDialog;

// A dialog in the windows' font, its buttons without the style's stock icons.
void MakePlainDialog(QDialog& Dialog);

class QTextEdit;

// Sets every line of the field 12 pixels apart, the cell height of "ＭＳ 明朝" at 12 pixels
// (IPAMincho alone would take 14), with a narrow margin, so the texts fit their windows.
void SetCellLines(QTextEdit& Field);

// The light yellow behind the main window, the key reference and every reference text.
QColor PaperColour();

// For a window whose keys play as the main window's: Esc closes it, any other key event goes
// to PlayKey. Whether Event was a key event, which is then taken.
bool PlayWindowKey(QWidget& Window, QEvent& Event, const std::function<bool(QEvent&)>& PlayKey);

// Shows a window centred on the screen, or brings it to the front if it is shown.
void ShowInFront(QWidget& Window);

// What a fixed-size window is to the desktop: the program's main window, listed in the taskbar
// and the window switcher, or one of its secondary windows.
enum class TWindowRole { Main, Secondary };

// A window with a title and a close button only (no maximise), in the windows' font on
// Background; its size is the caller's to set.
void MakeDialogFrame(QWidget& Window, QColor Background, TWindowRole Role = TWindowRole::Secondary);

// A fixed-size window with a title and a close button only (no maximise, no resize).
void MakeFixedDialogFrame(QWidget& Window, QSize ClientSize, QColor Background,
                          TWindowRole Role = TWindowRole::Secondary);

// Qt's own texts (file dialogs, the edit menu of a text field) in Japanese, as every other
// text of the program: Qt's translation from the system's Qt translations, whatever the
// locale. Without it installed, one line on the terminal says so and they stay in English.
void InstallQtJapanese(QCoreApplication& Application);

// The program's icon, drawn from its SVG wherever the desktop asks for a size.
QIcon KadenzoIcon();
