#include "ui/score_view.h"

#include "ui/ui_style.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

constexpr int kGap = 8;            // between two staff lines
constexpr int kTrebleTop = 56;     // the top line of the treble staff
constexpr int kStaffDistance = 80; // from the treble staff's top line to the bass staff's
constexpr int kSystemX = 16;       // the system line joining the staves
constexpr int kBracePadding = 2;   // between the brace and the system line
constexpr int kClefLeft = kSystemX + kGap;
constexpr int kMeasureWidth = 80; // a measure without a key signature
// From a measure's start (or its signature's end) to the heads: two columns of accidentals.
constexpr int kNoteOffset = 30;
constexpr int kNumeralY = kTrebleTop + kStaffDistance + 4 * kGap + 30;
// Room for the pivot reading and, under it, the rules four played voices broke.
constexpr std::size_t kRuleLines = 2;
constexpr int kLabelLine = 16;
constexpr int kHeight = kNumeralY + 40 + static_cast<int>(kRuleLines) * kLabelLine;
// Engraving distances in staff spaces, as LilyPond's and Gould's defaults have them.
constexpr qreal kAccidentalPadding = 0.25 * kGap; // between an accidental and its head
constexpr qreal kAccidentalColumns = 0.2 * kGap;  // between two accidentals side by side
constexpr qreal kSignaturePadding = 0.2 * kGap;   // between the glyphs of a key signature
constexpr int kBarlineGap = kGap;                 // from a barline to the signature after it
constexpr int kMarginClearance = kGap;            // the least from the margin to a chord's ink
constexpr qreal kLedgerOverhang = 0.35 * kGap;
constexpr qreal kLedgerThickness = 0.2 * kGap;
// Two accidentals closer than this, one above the other, stand side by side.
constexpr qreal kAccidentalClearance = 0.1 * kGap;
const QColor kHighlight(200, 220, 255);
const QColor kMistake(255, 210, 210);
// A note that broke a rule of four-part writing.
const QColor kBrokenNote(200, 0, 0);

// Sharps of a signature on the treble staff, as steps above the bottom line (F5 C5 G5 D5 A4
// E5 B4); flats (B4 E5 A4 D5 G4 C5 F4). The bass staff takes them a line lower (two steps).
constexpr int kSharpSteps[7] = {8, 5, 9, 6, 3, 7, 4};
constexpr int kFlatSteps[7] = {4, 7, 3, 6, 2, 5, 1};

TMusicGlyph AccidentalGlyph(int Alter) {
    switch (Alter) {
    case -2:
        return mgDoubleFlat;
    case -1:
        return mgFlat;
    case 1:
        return mgSharp;
    case 2:
        return mgDoubleSharp;
    default:
        return mgNatural;
    }
}

// A staff line is one pixel row: its middle, where a glyph on it has its origin, is half a
// pixel below the row's top.
qreal GlyphY(int Row) {
    return Row + 0.5;
}

int StepY(int Staff, int Step) {
    return TScoreView::StaffLineY(Staff, 4) - Step * kGap / 2;
}

// The naturals that cancel a signature: only on the way to C major or A minor, as Gould has
// it for modern engraving (and MuseScore draws them).
std::int32_t CancelledAt(const std::vector<TScoreMeasure>& Measures, std::size_t Index) {
    const TScoreMeasure& Measure = Measures[Index];
    return Index > 0 && Measure.KeyChange && Measure.Fifths == 0 ? Measures[Index - 1].Fifths : 0;
}

// A change of key redraws the signature only where it differs: c♯ minor to E major keeps its
// four sharps and shows the new key's label alone.
bool ShowsSignature(const std::vector<TScoreMeasure>& Measures, std::size_t Index) {
    return Measures[Index].KeyChange &&
           (Index == 0 || Measures[Index].Fifths != Measures[Index - 1].Fifths);
}

} // namespace

// Where the glyphs of one measure's chord go, in the viewport's coordinates.
struct TScoreView::TChordLayout {
    std::array<int, 4> HeadX;                 // the left edge of each voice's head
    std::array<int, 4> Y;                     // each voice's line or space (its pixel row)
    std::array<std::optional<qreal>, 4> Sign; // the origin of each accidental drawn
    qreal Left;                               // the leftmost ink of the chord
};

TScoreView::TScoreView(QWidget* Parent)
    : QAbstractScrollArea(Parent), Music(kGap, StaffLineY(2, 4) - StaffLineY(1, 0) + 1),
      SignatureLeft(kClefLeft +
                    static_cast<int>(std::ceil(
                        std::max(Music.Box(mgClefG).right(), Music.Box(mgClefF).right()))) +
                    kGap) {
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

int TScoreView::SignatureWidth(std::int32_t Fifths, std::int32_t Cancelled) const {
    const qreal Width =
        std::abs(Cancelled) * (Music.Advance(mgNatural) + kSignaturePadding) +
        std::abs(Fifths) * (Music.Advance(Fifths > 0 ? mgSharp : mgFlat) + kSignaturePadding);
    return static_cast<int>(std::ceil(Width));
}

int TScoreView::MarginWidth(std::int32_t Fifths) const {
    return SignatureLeft + SignatureWidth(Fifths, 0);
}

int TScoreView::MeasureEnd(std::size_t Index) const {
    return Lefts[Index] + Signatures[Index] + kMeasureWidth;
}

void TScoreView::MeasuresChanged() {
    Lefts.resize(Measures.size());
    Signatures.resize(Measures.size());
    HiddenFrom.resize(Measures.size());
    int Left = SignatureLeft;
    for (std::size_t i = 0; i < Measures.size(); ++i) {
        Lefts[i] = Left;
        const int Signature = ShowsSignature(Measures, i)
                                  ? SignatureWidth(Measures[i].Fifths, CancelledAt(Measures, i))
                                  : 0;
        Signatures[i] = Signature > 0 ? kBarlineGap + Signature : 0;
        // Ascending as long as a measure is wider than the widest signature's margin grows.
        HiddenFrom[i] = MeasureEnd(i) - MarginWidth(Measures[i].Fifths);
        Left = MeasureEnd(i);
    }
    UpdateScrollRange();
    viewport()->update();
}

// The first measure not yet behind the margin: its key is the one the margin shows, and the
// measures before it are not drawn at all, so that no note is read in a signature that is
// not its own.
std::size_t TScoreView::FirstShown(int Scroll) const {
    return static_cast<std::size_t>(std::upper_bound(HiddenFrom.begin(), HiddenFrom.end(), Scroll) -
                                    HiddenFrom.begin());
}

int TScoreView::MarginRight() const {
    const std::size_t First = FirstShown(horizontalScrollBar()->value());
    return MarginWidth(First < Measures.size() ? Measures[First].Fifths : 0);
}

void TScoreView::SetMarked(std::vector<bool> NewMarked) {
    Marked = std::move(NewMarked);
    viewport()->update();
}

void TScoreView::SetCurrent(int Index) {
    Current = Index;
    if (Index >= 0 && static_cast<std::size_t>(Index) < Measures.size()) {
        const auto At = static_cast<std::size_t>(Index);
        QScrollBar* Bar = horizontalScrollBar();
        const int Notes = Lefts[At] + Signatures[At];
        if (At < FirstShown(Bar->value()) || Notes - Bar->value() < MarginRight()) {
            // Its notes right after the margin of its own key.
            Bar->setValue(Notes - MarginWidth(Measures[At].Fifths));
        } else if (MeasureEnd(At) > Bar->value() + viewport()->width()) {
            Bar->setValue(MeasureEnd(At) - viewport()->width() + kGap);
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
    horizontalScrollBar()->setSingleStep(kMeasureWidth / 4);
}

void TScoreView::resizeEvent(QResizeEvent* Event) {
    QAbstractScrollArea::resizeEvent(Event);
    UpdateScrollRange();
}

int TScoreView::MeasureLeft(int Index) const {
    return Lefts[static_cast<std::size_t>(Index)] - horizontalScrollBar()->value();
}

// The lower voice of a staff goes right of the upper one when they are a second apart or in
// unison, as two parts on one staff are written (the heads side by side, none covering the
// other). Accidentals stand left of both heads, the upper voice's nearest; the lower one's
// moves further left when the two would touch, and a unison takes one.
TScoreView::TChordLayout TScoreView::LayOutChord(int Index) const {
    const auto At = static_cast<std::size_t>(Index);
    const TScoreMeasure& Measure = Measures[At];
    const int Column = MeasureLeft(Index) + Signatures[At] + kNoteOffset;
    const QRectF Head = Music.Box(mgWholeHead);
    TChordLayout Chord{};
    Chord.Left = Column;
    for (std::size_t Voice = 0; Voice < 4; ++Voice) {
        const TScoreNote& Note = Measure.Notes[Voice];
        Chord.Y[Voice] = StepY(Note.Staff, Note.Step);
        Chord.HeadX[Voice] = Column;
        const bool Lower = Voice == 1 || Voice == 3;
        const int Apart = Lower ? Measure.Notes[Voice - 1].Step - Note.Step : 2;
        if (Apart == 0 || Apart == 1) {
            Chord.HeadX[Voice] += qRound(Music.Advance(mgWholeHead));
        }
        if (Note.Step <= -2 || Note.Step >= 10) {
            Chord.Left = std::min(Chord.Left, Chord.HeadX[Voice] - kLedgerOverhang);
        }
        if (!Note.Accidental || (Apart == 0 && Measure.Notes[Voice - 1].Accidental)) {
            continue;
        }
        const QRectF Box = Music.Box(AccidentalGlyph(*Note.Accidental));
        qreal X = Column + Head.left() - kAccidentalPadding - Box.right();
        if (Lower && Chord.Sign[Voice - 1]) {
            const QRectF Upper = Music.Box(AccidentalGlyph(*Measure.Notes[Voice - 1].Accidental))
                                     .translated(*Chord.Sign[Voice - 1], Chord.Y[Voice - 1]);
            if (Upper.bottom() - (Chord.Y[Voice] + Box.top()) > kAccidentalClearance) {
                X = std::min(X, Upper.left() - kAccidentalColumns - Box.right());
            }
        }
        Chord.Sign[Voice] = X;
        Chord.Left = std::min(Chord.Left, X + Box.left());
    }
    return Chord;
}

QPoint TScoreView::NoteCentre(int Index, int Voice) const {
    if (Index < 0 || Index >= MeasureCount() || Voice < 0 || Voice > 3) {
        return {-1, -1};
    }
    const TChordLayout Chord = LayOutChord(Index);
    const auto V = static_cast<std::size_t>(Voice);
    return {Chord.HeadX[V] + qRound(Music.Box(mgWholeHead).center().x()), Chord.Y[V]};
}

QRectF TScoreView::AccidentalBox(int Index, int Voice) const {
    if (Index < 0 || Index >= MeasureCount() || Voice < 0 || Voice > 3) {
        return {};
    }
    const TChordLayout Chord = LayOutChord(Index);
    const auto V = static_cast<std::size_t>(Voice);
    const TScoreNote& Note = Measures[static_cast<std::size_t>(Index)].Notes[V];
    if (!Chord.Sign[V]) {
        return {};
    }
    return Music.Box(AccidentalGlyph(*Note.Accidental))
        .translated(*Chord.Sign[V], GlyphY(Chord.Y[V]));
}

void TScoreView::paintEvent(QPaintEvent*) {
    QPainter Painter(viewport()); // lines sharp on the pixel grid; glyphs smoothed by the font
    const int Width = viewport()->width();
    const int Scroll = horizontalScrollBar()->value();
    const std::size_t First = FirstShown(Scroll);
    const std::int32_t Fifths = First < Measures.size() ? Measures[First].Fifths : 0;
    const int Margin = MarginWidth(Fifths);
    for (std::size_t i = First; i < std::min(Marked.size(), Measures.size()); ++i) {
        if (Marked[i]) {
            PaintBand(Painter, i, Margin, kMistake);
        }
    }
    if (Current >= 0 && static_cast<std::size_t>(Current) >= First &&
        static_cast<std::size_t>(Current) < Measures.size()) {
        PaintBand(Painter, static_cast<std::size_t>(Current), Margin, kHighlight);
    }
    Painter.setPen(QPen(Qt::black, 1));
    for (const int Staff : {1, 2}) {
        for (int Line = 0; Line < 5; ++Line) {
            const int Y = StaffLineY(Staff, Line);
            Painter.drawLine(kSystemX, Y, Width, Y);
        }
    }
    for (std::size_t i = First; i < Measures.size(); ++i) {
        if (MeasureLeft(static_cast<int>(i)) > Width) {
            break;
        }
        PaintMeasure(Painter, static_cast<int>(i), Margin, i == First);
    }
    PaintMargin(Painter, Fifths);
}

void TScoreView::PaintBand(QPainter& Painter, std::size_t Index, int Margin, QColor Colour) {
    const int Left = std::max(MeasureLeft(static_cast<int>(Index)) + 2, Margin);
    const int Right = MeasureEnd(Index) - horizontalScrollBar()->value() - 2;
    if (Right > Left) {
        Painter.fillRect(QRect(Left, kTrebleTop - 4 * kGap, Right - Left, kHeight - kTrebleTop),
                         Colour);
    }
}

void TScoreView::PaintMargin(QPainter& Painter, std::int32_t Fifths) {
    const int Top = StaffLineY(1, 0);
    const int Bottom = StaffLineY(2, 4);
    Painter.setPen(QPen(Qt::black, 1));
    Painter.drawLine(kSystemX, Top, kSystemX, Bottom);
    Music.DrawBrace(Painter, QPointF(kSystemX - kBracePadding - Music.BraceBox().right(),
                                     (GlyphY(Top) + GlyphY(Bottom)) / 2));
    Music.Draw(Painter, mgClefG, QPointF(kClefLeft, GlyphY(StaffLineY(1, 3))));
    Music.Draw(Painter, mgClefF, QPointF(kClefLeft, GlyphY(StaffLineY(2, 1))));
    PaintSignature(Painter, Fifths, 0, SignatureLeft);
}

void TScoreView::PaintSignature(QPainter& Painter, std::int32_t Fifths, std::int32_t Cancelled,
                                int Left) {
    qreal X = Left;
    const auto Place = [&](TMusicGlyph Glyph, std::int32_t Of, int Count) {
        for (int k = 0; k < Count; ++k) {
            const int Step = Of > 0 ? kSharpSteps[k] : kFlatSteps[k];
            for (const int Staff : {1, 2}) {
                Music.Draw(Painter, Glyph,
                           QPointF(X, GlyphY(StepY(Staff, Step - 2 * (Staff - 1)))));
            }
            X += Music.Advance(Glyph) + kSignaturePadding;
        }
    };
    Place(mgNatural, Cancelled, std::abs(Cancelled));
    Place(Fifths > 0 ? mgSharp : mgFlat, Fifths, std::abs(Fifths));
}

void TScoreView::PaintMeasure(QPainter& Painter, int Index, int Margin, bool First) {
    const auto At = static_cast<std::size_t>(Index);
    const TScoreMeasure& Measure = Measures[At];
    const int Left = MeasureLeft(Index);
    const int End = MeasureEnd(At) - horizontalScrollBar()->value();
    Painter.setPen(QPen(Qt::black, 1));
    for (const int X : {First && Index > 0 ? Left : -1, End}) {
        if (X >= Margin) {
            Painter.drawLine(X, StaffLineY(1, 0), X, StaffLineY(2, 4));
        }
    }
    Painter.setFont(KadenzoFont());
    if (Measure.KeyChange) {
        // The first measure's own signature is the margin's.
        if (!First && ShowsSignature(Measures, At)) {
            PaintSignature(Painter, Measure.Fifths, CancelledAt(Measures, At), Left + kBarlineGap);
        }
        if (Left + 4 >= kSystemX) {
            Painter.drawText(QPoint(Left + 4, StaffLineY(1, 0) - 4 * kGap),
                             QString::fromStdString(Measure.KeyLabel + ":"));
        }
    }
    const TChordLayout Chord = LayOutChord(Index);
    // With its barline behind the margin, a chord close to it would read the margin's last
    // sharp or flat as its own; else the smoothing reaches a pixel further.
    if (Chord.Left < Margin + (Left < Margin ? kMarginClearance : 1)) {
        return;
    }
    const int LabelX = Left + Signatures[At] + kNoteOffset;
    Painter.drawText(QPoint(LabelX, kNumeralY), QString::fromStdString(Measure.Degree));
    if (!Measure.Pivot.empty()) {
        Painter.drawText(QPoint(LabelX, kNumeralY + kLabelLine),
                         QString::fromStdString(Measure.Pivot));
    }
    PaintRules(Painter, Measure, LabelX);
    PaintChord(Painter, Measure, Chord);
}

// The rules a chord's played voices broke, two to a line under its labels, in the colour of
// its marked notes.
void TScoreView::PaintRules(QPainter& Painter, const TScoreMeasure& Measure, int LabelX) {
    constexpr std::size_t kPerLine = 2;
    Painter.setPen(kBrokenNote);
    for (std::size_t Line = 0; Line < kRuleLines; ++Line) {
        QStringList Texts;
        for (std::size_t i = Line * kPerLine;
             i < std::min(Measure.Breaks.size(), (Line + 1) * kPerLine); ++i) {
            Texts << QString::fromStdString(BreakText(Measure.Breaks[i]));
        }
        if (Line + 1 == kRuleLines && Measure.Breaks.size() > kRuleLines * kPerLine) {
            Texts << QStringLiteral("…");
        }
        if (!Texts.isEmpty()) {
            Painter.drawText(QPoint(LabelX, kNumeralY + static_cast<int>(Line + 2) * kLabelLine),
                             Texts.join(QLatin1Char(' ')));
        }
    }
    Painter.setPen(Qt::black);
}

void TScoreView::PaintChord(QPainter& Painter, const TScoreMeasure& Measure,
                            const TChordLayout& Chord) {
    const qreal HeadWidth = Music.Advance(mgWholeHead);
    Painter.setRenderHint(QPainter::Antialiasing, true);
    for (std::size_t Voice = 0; Voice < 4; ++Voice) {
        const TScoreNote& Note = Measure.Notes[Voice];
        const int Bottom = StaffLineY(Note.Staff, 4);
        const int X = Chord.HeadX[Voice];
        // Ledger lines below the staff (steps -2, -4, ...) and above it (10, 12, ...).
        const auto Ledger = [&](int Step) {
            Painter.fillRect(QRectF(X - kLedgerOverhang,
                                    GlyphY(Bottom - Step * kGap / 2) - kLedgerThickness / 2,
                                    HeadWidth + 2 * kLedgerOverhang, kLedgerThickness),
                             Qt::black);
        };
        for (int Step = -2; Step >= Note.Step; Step -= 2) {
            Ledger(Step);
        }
        for (int Step = 10; Step <= Note.Step; Step += 2) {
            Ledger(Step);
        }
        bool Broke = false;
        for (const TVoiceBreak& Break : Measure.Breaks) {
            Broke = Broke || (Break.Voices & VoiceBit(Voice)) != 0;
        }
        Music.Draw(Painter, mgWholeHead, QPointF(X, GlyphY(Chord.Y[Voice])),
                   Broke ? kBrokenNote : QColor(Qt::black));
        if (Chord.Sign[Voice]) {
            Music.Draw(Painter, AccidentalGlyph(*Note.Accidental),
                       QPointF(*Chord.Sign[Voice], GlyphY(Chord.Y[Voice])));
        }
    }
    Painter.setRenderHint(QPainter::Antialiasing, false);
}
