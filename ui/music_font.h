#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRawFont>
#include <QRectF>
#include <QString>

#include <array>

class QPainter;

enum TMusicGlyph : int {
    mgClefG,
    mgClefF,
    mgWholeHead,
    mgSharp,
    mgFlat,
    mgNatural,
    mgDoubleSharp,
    mgDoubleFlat,
    mgCount
};

// The glyphs of the score from Emmentaler, the engraving font of lilypond-fonts, taken by their
// glyph names (their code points change between LilyPond's versions, their names do not). Each
// glyph's origin is where an engraver places it: a clef's on the line it names, a notehead's
// and an accidental's at its left edge on the height of its note; the brace's at its right
// edge, halfway down. The em is one staff height (four staff spaces). Glyphs are filled from
// their outlines, smoothed, so that a head is centred on its line to the fraction of a pixel
// (text drawing would round its height to whole pixels).
class TMusicFont {
public:
    // The font for a staff space of Space pixels and a brace of BraceHeight pixels; when the
    // font's files are missing, says so on the terminal and draws nothing.
    TMusicFont(int Space, qreal BraceHeight);

    bool IsLoaded() const { return Loaded; }
    // The glyph's ink around its origin, in pixels (y down).
    QRectF Box(TMusicGlyph Glyph) const;
    // How far the glyph moves the pen.
    qreal Advance(TMusicGlyph Glyph) const;
    void Draw(QPainter& Painter, TMusicGlyph Glyph, QPointF Origin, QColor Ink = Qt::black) const;
    QRectF BraceBox() const;
    void DrawBrace(QPainter& Painter, QPointF Origin) const;

    // The folder of the font files of the installed lilypond-fonts, or an empty string.
    static QString FontFolder();

private:
    bool Loaded = false;
    std::array<QPainterPath, mgCount> Outlines;
    std::array<QRectF, mgCount> Boxes;
    std::array<qreal, mgCount> Advances{};
    QPainterPath BraceOutline;
};
