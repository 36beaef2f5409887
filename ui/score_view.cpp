#include "ui/score_view.h"

#include "ui/ui_style.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kGap = 8;            // between two staff lines
constexpr int kTrebleTop = 56;     // the top line of the treble staff
constexpr int kStaffDistance = 80; // from the treble staff's top line to the bass staff's
constexpr int kClefSpace = 44;     // before the first measure
constexpr int kMeasureWidth = 72;  // a measure without a key signature
constexpr int kSignatureStep = 8;  // per sharp or flat
constexpr int kNoteOffset = 34;    // from a measure's (or its signature's) start to the heads
constexpr int kHeadWidth = 12;
constexpr int kHeadHeight = 9;
constexpr int kLedgerOverhang = 4;
constexpr int kAccidentalWidth = 10;
constexpr int kNumeralY = kTrebleTop + kStaffDistance + 4 * kGap + 30;
constexpr int kHeight = kNumeralY + 40;
const QColor kHighlight(200, 220, 255);

// Sharps of a signature on the treble staff, as steps above the bottom line (F5 C5 G5 D5 A4
// E5 B4); flats (B4 E5 A4 D5 G4 C5 F4). The bass staff takes them a line lower (two steps).
constexpr int kSharpSteps[7] = {8, 5, 9, 6, 3, 7, 4};
constexpr int kFlatSteps[7] = {4, 7, 3, 6, 2, 5, 1};

QFont SymbolFont(int Pixels) {
    QFont Font(QStringLiteral("FreeSerif"));
    Font.setPixelSize(Pixels);
    return Font;
}

QString AccidentalGlyph(int Alter) {
    switch (Alter) {
    case -2:
        return QString::fromUtf8("\xF0\x9D\x84\xAB"); // double flat
    case -1:
        return QString::fromUtf8("♭");
    case 0:
        return QString::fromUtf8("♮");
    case 1:
        return QString::fromUtf8("♯");
    case 2:
        return QString::fromUtf8("\xF0\x9D\x84\xAA"); // double sharp
    default:
        return QStringLiteral("?");
    }
}

int SignatureWidth(std::int32_t Fifths) {
    return std::abs(Fifths) * kSignatureStep + 6;
}

} // namespace

TScoreView::TScoreView(QWidget* Parent) : QAbstractScrollArea(Parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setAutoFillBackground(true);
    QPalette Palette = viewport()->palette();
    Palette.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(Palette);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
            [this] { viewport()->update(); });
}

int TScoreView::StaffLineY(int Staff, int Line) {
    return kTrebleTop + (Staff == 2 ? kStaffDistance : 0) + Line * kGap;
}

int TScoreView::ScoreHeight() {
    return kHeight;
}

void TScoreView::SetMeasures(std::vector<TScoreMeasure> NewMeasures) {
    Measures = std::move(NewMeasures);
    MeasuresChanged();
}

void TScoreView::Follow(const std::vector<TProgressionEntry>& Entries, std::size_t Unchanged) {
    Measures.resize(std::min(Unchanged, Measures.size()));
    ExtendScore(Measures, Entries);
    MeasuresChanged();
}

void TScoreView::MeasuresChanged() {
    Lefts.resize(Measures.size());
    int Left = kClefSpace;
    for (std::size_t i = 0; i < Measures.size(); ++i) {
        Lefts[i] = Left;
        Left += kMeasureWidth + (Measures[i].KeyChange ? SignatureWidth(Measures[i].Fifths) : 0);
    }
    UpdateScrollRange();
    viewport()->update();
}

void TScoreView::SetCurrent(int Index) {
    Current = Index;
    if (Index >= 0 && static_cast<std::size_t>(Index) < Measures.size()) {
        QScrollBar* Bar = horizontalScrollBar();
        const int Left = Lefts[static_cast<std::size_t>(Index)];
        const int Right = Left + kMeasureWidth +
                          (Measures[static_cast<std::size_t>(Index)].KeyChange
                               ? SignatureWidth(Measures[static_cast<std::size_t>(Index)].Fifths)
                               : 0);
        if (Left < Bar->value()) {
            Bar->setValue(Left - kClefSpace);
        } else if (Right > Bar->value() + viewport()->width()) {
            Bar->setValue(Right - viewport()->width() + 8);
        }
    } else if (Index < 0) {
        horizontalScrollBar()->setValue(0); // Home: the start again
    }
    viewport()->update();
}

void TScoreView::UpdateScrollRange() {
    const int Total = Measures.empty() ? 0 : Lefts.back() + kMeasureWidth * 2;
    horizontalScrollBar()->setRange(0, std::max(0, Total - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TScoreView::resizeEvent(QResizeEvent* Event) {
    QAbstractScrollArea::resizeEvent(Event);
    UpdateScrollRange();
}

int TScoreView::MeasureLeft(int Index) const {
    return Lefts[static_cast<std::size_t>(Index)] - horizontalScrollBar()->value();
}

// The alto's head goes right of the soprano's when they are a second apart, and so does the
// bass's beside the tenor's, so that no head covers another.
int TScoreView::NoteX(int Index, int Voice) const {
    const TScoreMeasure& Measure = Measures[static_cast<std::size_t>(Index)];
    int X =
        MeasureLeft(Index) + kNoteOffset + (Measure.KeyChange ? SignatureWidth(Measure.Fifths) : 0);
    if (Voice == 1 || Voice == 3) {
        const int Apart = Measure.Notes[static_cast<std::size_t>(Voice - 1)].Step -
                          Measure.Notes[static_cast<std::size_t>(Voice)].Step;
        if (Apart == 1) {
            X += kHeadWidth;
        }
    }
    return X;
}

QPoint TScoreView::NoteCentre(int Index, int Voice) const {
    if (Index < 0 || Index >= MeasureCount() || Voice < 0 || Voice > 3) {
        return {-1, -1};
    }
    const TScoreNote& Note =
        Measures[static_cast<std::size_t>(Index)].Notes[static_cast<std::size_t>(Voice)];
    const int Bottom = StaffLineY(Note.Staff, 4);
    return {NoteX(Index, Voice), Bottom - Note.Step * kGap / 2};
}

void TScoreView::paintEvent(QPaintEvent*) {
    QPainter Painter(viewport()); // lines sharp on the pixel grid; heads smoothed alone
    const int Width = viewport()->width();
    const int Scroll = horizontalScrollBar()->value();
    // The measures in view, found by their starts.
    const auto First = std::upper_bound(Lefts.begin(), Lefts.end(), Scroll - kMeasureWidth * 3);
    std::size_t Begin =
        First == Lefts.begin() ? 0 : static_cast<std::size_t>(First - Lefts.begin() - 1);
    if (Current >= 0 && static_cast<std::size_t>(Current) < Measures.size()) {
        const int Left = MeasureLeft(Current);
        Painter.fillRect(
            QRect(Left + 2, kTrebleTop - 4 * kGap,
                  kMeasureWidth - 4 +
                      (Measures[static_cast<std::size_t>(Current)].KeyChange
                           ? SignatureWidth(Measures[static_cast<std::size_t>(Current)].Fifths)
                           : 0),
                  kHeight - kTrebleTop),
            kHighlight);
    }
    Painter.setPen(QPen(Qt::black, 1));
    for (const int Staff : {1, 2}) {
        for (int Line = 0; Line < 5; ++Line) {
            const int Y = StaffLineY(Staff, Line);
            Painter.drawLine(std::max(0, 4 - Scroll), Y, Width, Y);
        }
    }
    if (Scroll < kClefSpace) {
        Painter.setFont(SymbolFont(6 * kGap));
        Painter.drawText(QPoint(8 - Scroll, StaffLineY(1, 3) + kGap / 2 + 2),
                         QString::fromUtf8("\xF0\x9D\x84\x9E")); // G clef
        Painter.drawText(QPoint(8 - Scroll, StaffLineY(2, 1) + 10),
                         QString::fromUtf8("\xF0\x9D\x84\xA2")); // F clef
        Painter.drawLine(4 - Scroll, StaffLineY(1, 0), 4 - Scroll, StaffLineY(2, 4));
    }
    for (std::size_t i = Begin; i < Measures.size(); ++i) {
        const int Left = MeasureLeft(static_cast<int>(i));
        if (Left > Width) {
            break;
        }
        PaintMeasure(Painter, static_cast<int>(i), Left);
    }
}

void TScoreView::PaintSignature(QPainter& Painter, std::int32_t Fifths, int Left) {
    Painter.setFont(SymbolFont(3 * kGap));
    const int Count = std::abs(Fifths);
    for (int k = 0; k < Count; ++k) {
        const int Step = Fifths > 0 ? kSharpSteps[k] : kFlatSteps[k];
        for (const int Staff : {1, 2}) {
            const int Y = StaffLineY(Staff, 4) - (Step - 2 * (Staff - 1)) * kGap / 2;
            Painter.drawText(QPoint(Left + 4 + k * kSignatureStep, Y + kGap / 2),
                             AccidentalGlyph(Fifths > 0 ? 1 : -1));
        }
    }
}

void TScoreView::PaintMeasure(QPainter& Painter, int Index, int Left) {
    const TScoreMeasure& Measure = Measures[static_cast<std::size_t>(Index)];
    const int Width = kMeasureWidth + (Measure.KeyChange ? SignatureWidth(Measure.Fifths) : 0);
    Painter.setPen(QPen(Qt::black, 1));
    Painter.drawLine(Left + Width, StaffLineY(1, 0), Left + Width, StaffLineY(2, 4));
    Painter.setFont(KadenzoFont());
    if (Measure.KeyChange) {
        PaintSignature(Painter, Measure.Fifths, Left);
        Painter.setFont(KadenzoFont());
        Painter.drawText(QPoint(Left + 4, StaffLineY(1, 0) - 4 * kGap),
                         QString::fromStdString(Measure.KeyLabel + ":"));
    }
    const int NotesLeft = Left + (Measure.KeyChange ? SignatureWidth(Measure.Fifths) : 0);
    Painter.drawText(QPoint(NotesLeft + kNoteOffset - 8, kNumeralY),
                     QString::fromStdString(Measure.Degree));
    if (!Measure.Pivot.empty()) {
        Painter.drawText(QPoint(NotesLeft + kNoteOffset - 8, kNumeralY + 16),
                         QString::fromStdString(Measure.Pivot));
    }
    // Accidentals of two voices on one staff stand side by side when they would touch.
    for (std::size_t Voice = 0; Voice < 4; ++Voice) {
        const TScoreNote& Note = Measure.Notes[Voice];
        int Shift = 0;
        if ((Voice == 1 || Voice == 3) && Note.Accidental && Measure.Notes[Voice - 1].Accidental &&
            Measure.Notes[Voice - 1].Step - Note.Step < 6) {
            Shift = kAccidentalWidth;
        }
        const QPoint Centre = NoteCentre(Index, static_cast<int>(Voice));
        PaintNote(Painter, Note, Centre.x(), Shift);
    }
}

void TScoreView::PaintNote(QPainter& Painter, const TScoreNote& Note, int X, int AccidentalShift) {
    const int Bottom = StaffLineY(Note.Staff, 4);
    const int Y = Bottom - Note.Step * kGap / 2;
    Painter.setPen(QPen(Qt::black, 1));
    // Ledger lines below the staff (steps -2, -4, ...) and above it (10, 12, ...).
    for (int Step = -2; Step >= Note.Step; Step -= 2) {
        const int LedgerY = Bottom - Step * kGap / 2;
        Painter.drawLine(X - kHeadWidth / 2 - kLedgerOverhang, LedgerY,
                         X + kHeadWidth / 2 + kLedgerOverhang, LedgerY);
    }
    for (int Step = 10; Step <= Note.Step; Step += 2) {
        const int LedgerY = Bottom - Step * kGap / 2;
        Painter.drawLine(X - kHeadWidth / 2 - kLedgerOverhang, LedgerY,
                         X + kHeadWidth / 2 + kLedgerOverhang, LedgerY);
    }
    // A whole note: an open oval with thicker sides.
    Painter.setPen(QPen(Qt::black, 2));
    Painter.setBrush(Qt::NoBrush);
    Painter.setRenderHint(QPainter::Antialiasing, true);
    Painter.drawEllipse(QPoint(X, Y), kHeadWidth / 2, kHeadHeight / 2);
    Painter.setRenderHint(QPainter::Antialiasing, false);
    if (Note.Accidental) {
        Painter.setFont(SymbolFont(3 * kGap));
        Painter.setPen(QPen(Qt::black, 1));
        Painter.drawText(
            QPoint(X - kHeadWidth / 2 - kAccidentalWidth - AccidentalShift, Y + kGap / 2),
            AccidentalGlyph(*Note.Accidental));
    }
}
