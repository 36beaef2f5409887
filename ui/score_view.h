#pragma once

#include "progression/progression_entry.h"
#include "score/score_layout.h"
#include "ui/music_font.h"

#include <QAbstractScrollArea>

#include <vector>

class QPainter;

// The progression on a grand staff: soprano and alto on the treble staff, tenor and bass on
// the bass staff, a whole-note chord per measure, the key signature and key label at each
// change of key, the degree label (and a pivot reading) under the bass staff. Only the
// measures in view are drawn. The measures scroll under a margin that stays, as at the start
// of a system: the brace, the system line, the clefs and the signature in force at the left.
class TScoreView : public QAbstractScrollArea {
public:
    explicit TScoreView(QWidget* Parent);

    void SetMeasures(std::vector<TScoreMeasure> NewMeasures);
    // The score of Entries, whose first Unchanged entries are those shown: only the rest is
    // laid out again.
    void Follow(const std::vector<TProgressionEntry>& Entries, std::size_t Unchanged);
    // The chord shown as the one at the cursor (none for -1), kept in view.
    void SetCurrent(int Index);
    // The measures shown as mistaken (a dictation's wrong answers): Marked[i] for measure i.
    void SetMarked(std::vector<bool> NewMarked);
    int MeasureCount() const { return static_cast<int>(Measures.size()); }
    // Where a voice's notehead of measure Index is drawn, in the viewport's coordinates;
    // (-1, -1) for a measure or voice that is not there.
    QPoint NoteCentre(int Index, int Voice) const;
    // The ink of the accidental drawn before that notehead; empty where none is drawn.
    QRectF AccidentalBox(int Index, int Voice) const;
    // The y of staff line Line (0 the top) of Staff (1 treble, 2 bass).
    static int StaffLineY(int Staff, int Line);
    // The height the whole grand staff, its labels included, takes.
    static int ScoreHeight();
    // Where the margin ends at the present scroll position: a measure's glyphs left of it are
    // not drawn.
    int MarginRight() const;
    const TMusicFont& Font() const { return Music; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    struct TChordLayout;

    void UpdateScrollRange();
    void MeasuresChanged();
    int MeasureLeft(int Index) const;
    int MeasureEnd(std::size_t Index) const;
    int SignatureWidth(std::int32_t Fifths, std::int32_t Cancelled) const;
    int MarginWidth(std::int32_t Fifths) const;
    std::size_t FirstShown(int Scroll) const;
    TChordLayout LayOutChord(int Index) const;
    // A measure's background from the margin on, in Colour.
    void PaintBand(QPainter& Painter, std::size_t Index, int Margin, QColor Colour);
    void PaintMargin(QPainter& Painter, std::int32_t Fifths);
    void PaintMeasure(QPainter& Painter, int Index, int Margin, bool First);
    void PaintRules(QPainter& Painter, const TScoreMeasure& Measure, int LabelX);
    void PaintChord(QPainter& Painter, const TScoreMeasure& Measure, const TChordLayout& Chord);
    void PaintSignature(QPainter& Painter, std::int32_t Fifths, std::int32_t Cancelled, int Left);

    TMusicFont Music;
    int SignatureLeft; // where the margin's signature begins, right of the clefs
    std::vector<TScoreMeasure> Measures;
    std::vector<int> Lefts;      // where each measure begins, from the start of the score
    std::vector<int> Signatures; // the width of each measure's own signature (0: none)
    // From which scroll position each measure is left behind the margin, ascending.
    std::vector<int> HiddenFrom;
    int Current = -1;
    std::vector<bool> Marked;
};
