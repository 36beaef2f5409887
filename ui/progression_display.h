#pragma once

#include "progression/display_lines.h"

#include <QAbstractScrollArea>

#include <optional>

class QAction;
class QMenu;

// The progression display: draws only the columns in view of the model's lines, each
// character in its own cell (two cells for a full-width one), so that names stand over their
// numerals in any font and a key costs the same however long the progression. It follows
// the newest text, and lets the mouse select text and copy it.
class TProgressionDisplay : public QAbstractScrollArea, private TLinesListener {
public:
    TProgressionDisplay(TDisplayLines& Lines, QWidget* Parent);
    ~TProgressionDisplay() override;

    // All lines, joined by line breaks.
    QString Text() const;
    QString LineText(int Line) const;
    QString SelectedText() const;
    void SelectAll();
    // The cell of a column of a line, in the viewport's coordinates.
    QRect CellRect(int Line, int Column) const;
    // Commands of the window that the display's own menu offers too, after its own.
    void AddMenuActions(const QList<QAction*>& Actions) { MenuActions += Actions; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    struct TPlace {
        int Line;
        std::size_t Column;
        bool operator<(const TPlace& Other) const {
            return Line != Other.Line ? Line < Other.Line : Column < Other.Column;
        }
    };

    // TLinesListener
    void LineChanged(int Index) override;
    void LinesReset() override;

    struct TCells {
        int Width;  // of a half-width character
        int Ascent; // from a row's top to the text's baseline
    };
    const TCells& Cells() const;
    void UpdateScrollRange();
    void FollowNewestText();
    int ContentLeft() const;
    TPlace PlaceAt(QPoint Point) const;
    bool IsSelected(TPlace Place) const;
    void PaintLine(class QPainter& Painter, int Line, std::size_t From, std::size_t To);
    void CopyToSelectionClipboard() const;
    QString Columns(int Line, std::size_t From, std::size_t To) const;

    TDisplayLines& Lines;
    mutable std::optional<TCells> Measured;
    std::optional<TPlace> Anchor;
    std::optional<TPlace> Extent;
    bool Selecting = false;
    QList<QAction*> MenuActions;
};
