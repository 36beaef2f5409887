#pragma once

#include "progression/progression_entry.h"
#include "progression/score_layout.h"

#include <QAbstractScrollArea>

#include <vector>

class QPainter;

// The progression on a grand staff: soprano and alto on the treble staff, tenor and bass on
// the bass staff, a whole-note chord per measure, the key signature and key label at each
// change of key, the degree label (and a pivot reading) under the bass staff. Only the
// measures in view are drawn.
class TScoreView : public QAbstractScrollArea {
public:
    explicit TScoreView(QWidget* Parent);

    void SetMeasures(std::vector<TScoreMeasure> NewMeasures);
    // The score of Entries, whose first Unchanged entries are those shown: only the rest is
    // laid out again.
    void Follow(const std::vector<TProgressionEntry>& Entries, std::size_t Unchanged);
    // The chord shown as the one at the cursor (none for -1), kept in view.
    void SetCurrent(int Index);
    int MeasureCount() const { return static_cast<int>(Measures.size()); }
    // Where a voice's notehead of measure Index is drawn, in the viewport's coordinates;
    // (-1, -1) for a measure or voice that is not there.
    QPoint NoteCentre(int Index, int Voice) const;
    // The y of staff line Line (0 the top) of Staff (1 treble, 2 bass).
    static int StaffLineY(int Staff, int Line);
    // The height the whole grand staff, its labels included, takes.
    static int ScoreHeight();

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    void UpdateScrollRange();
    void MeasuresChanged();
    int MeasureLeft(int Index) const;
    int NoteX(int Index, int Voice) const;
    void PaintMeasure(QPainter& Painter, int Index, int Left);
    void PaintNote(QPainter& Painter, const TScoreNote& Note, int X, int AccidentalShift);
    void PaintSignature(QPainter& Painter, std::int32_t Fifths, int Left);

    std::vector<TScoreMeasure> Measures;
    std::vector<int> Lefts; // where each measure begins, from the start of the score
    int Current = -1;
};
