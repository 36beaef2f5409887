// The score as an engraver reads it, from the pixels drawn: clefs on the lines they name,
// heads on their lines and spaces with their ledger lines, accidentals left of the chord, key
// signatures on their notes, and at every scroll position a margin holding the clefs and a
// whole signature, with no glyph of a measure reaching into it.
#include "ui/score_view.h"

#include <QImage>
#include <QScrollBar>
#include <QtTest>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <optional>

namespace {

constexpr int kGap = 8;

struct TPart {
    int Step;
    std::optional<int> Accidental = std::nullopt;
};

// Voices that need neither ledger lines nor accidentals: C5 A4 / G3 C3.
constexpr TPart kPlain[4] = {{5}, {3}, {7}, {3}};

TScoreMeasure Measure(std::int32_t Fifths, bool KeyChange, std::array<TPart, 4> Voices) {
    TScoreMeasure Made{};
    Made.Key = {{'C', 0}, mdMajor};
    Made.KeyChange = KeyChange;
    Made.Fifths = Fifths;
    for (std::size_t v = 0; v < 4; ++v) {
        Made.Notes[v].Staff = v < 2 ? 1 : 2;
        Made.Notes[v].Step = Voices[v].Step;
        Made.Notes[v].Accidental = Voices[v].Accidental;
    }
    Made.Degree = "I";
    return Made;
}

std::unique_ptr<TScoreView> ViewOf(std::vector<TScoreMeasure> Measures) {
    auto View = std::make_unique<TScoreView>(nullptr);
    View->resize(624, TScoreView::ScoreHeight() + 16);
    View->SetMeasures(std::move(Measures));
    View->show();
    QCoreApplication::processEvents();
    return View;
}

QImage Shot(TScoreView& View) {
    return View.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool Ink(const QImage& Image, int X, int Y) {
    return qGray(Image.pixel(X, Y)) < 160;
}

bool StaffRow(int Y) {
    for (const int Staff : {1, 2}) {
        for (int Line = 0; Line < 5; ++Line) {
            if (TScoreView::StaffLineY(Staff, Line) == Y) {
                return true;
            }
        }
    }
    return false;
}

// The ink of Region, staff lines left out; with Other, only what differs from it.
QRect InkBox(const QImage& Image, QRect Region, const QImage* Other = nullptr) {
    Region &= Image.rect();
    QRect Box;
    for (int Y = Region.top(); Y <= Region.bottom(); ++Y) {
        for (int X = Region.left(); X <= Region.right(); ++X) {
            const bool Counts =
                Other ? std::abs(qGray(Image.pixel(X, Y)) - qGray(Other->pixel(X, Y))) > 60
                      : !StaffRow(Y) && Ink(Image, X, Y);
            if (Counts) {
                Box |= QRect(X, Y, 1, 1);
            }
        }
    }
    return Box;
}

// The height of the ink around Row, weighted by darkness, leaving out the rows that a staff or
// ledger line touches (any grey left of the head) and their mirror rows, so that both halves
// count alike.
double InkMiddle(const QImage& Image, int Left, int Width, int Row) {
    const auto Line = [&](int Y) { return StaffRow(Y) || qGray(Image.pixel(Left - 2, Y)) < 250; };
    double Mass = 0;
    double Moment = 0;
    for (int Y = Row - 6; Y <= Row + 6; ++Y) {
        for (int X = Left; X < Left + Width && !Line(Y) && !Line(2 * Row - Y); ++X) {
            Mass += 255 - qGray(Image.pixel(X, Y));
            Moment += (255 - qGray(Image.pixel(X, Y))) * (Y + 0.5);
        }
    }
    return Mass > 0 ? Moment / Mass : -1;
}

// Diatonic steps above E4 (the treble staff's bottom line) or G2 (the bass staff's).
int StepOf(const char* Note, int Staff) {
    const int Letter = (Note[0] - 'C' + 7) % 7;
    return (Note[1] - '0') * 7 + Letter - (Staff == 1 ? 4 * 7 + 2 : 2 * 7 + 4);
}

// The rows of the treble staff's glyphs (below the key labels) and the bass staff's: the
// space between the staves goes to the nearer.
QRect StaffBand(int Staff, int Left, int Right) {
    const int Middle = (TScoreView::StaffLineY(1, 4) + TScoreView::StaffLineY(2, 0)) / 2;
    return Staff == 1
               ? QRect(QPoint(Left, TScoreView::StaffLineY(1, 0) - 3 * kGap), QPoint(Right, Middle))
               : QRect(QPoint(Left, Middle + 1), QPoint(Right, TScoreView::ScoreHeight()));
}

// The system line: the first column inked from the top line to the bottom line.
int SystemLine(const QImage& Image) {
    for (int X = 0; X < Image.width(); ++X) {
        bool Whole = true;
        for (int Y = TScoreView::StaffLineY(1, 0); Y <= TScoreView::StaffLineY(2, 4) && Whole;
             ++Y) {
            Whole = Ink(Image, X, Y);
        }
        if (Whole) {
            return X;
        }
    }
    return -1;
}

} // namespace

class TScoreViewTest : public QObject {
    Q_OBJECT

private slots:
    // The G clef's curl wraps the second line: that line lies two thirds down the clef, which
    // reaches above and below the staff. The F clef's dots stand either side of the fourth line.
    void ClefsSitOnTheLinesTheyName() {
        const auto View = ViewOf({Measure(0, true, {kPlain[0], kPlain[1], kPlain[2], kPlain[3]})});
        const QImage Image = Shot(*View);
        const int Left = SystemLine(Image) + 2;
        QVERIFY(Left > 2);
        const QRect G = InkBox(Image, StaffBand(1, Left, View->MarginRight() - 1));
        const double GLine = TScoreView::StaffLineY(1, 3) + 0.5;
        QVERIFY2((GLine - G.top()) / (G.bottom() + 1 - G.top()) > 0.62 &&
                     (GLine - G.top()) / (G.bottom() + 1 - G.top()) < 0.70,
                 qPrintable(QStringLiteral("G clef rows %1..%2").arg(G.top()).arg(G.bottom())));
        QVERIFY(G.top() < TScoreView::StaffLineY(1, 0) - kGap);
        QVERIFY(G.bottom() > TScoreView::StaffLineY(1, 4) + kGap);
        const QRect F = InkBox(Image, StaffBand(2, Left, View->MarginRight() - 1));
        const QRect Dots = InkBox(Image, QRect(F.right() - 2, F.top(), 3, F.height()));
        const int FLine = TScoreView::StaffLineY(2, 1);
        QVERIFY2(Dots.top() > FLine - kGap && Dots.bottom() < FLine + kGap,
                 qPrintable(QStringLiteral("dots %1..%2").arg(Dots.top()).arg(Dots.bottom())));
        QVERIFY(InkBox(Image, QRect(F.right() - 2, FLine - kGap, 3, kGap)).isValid());
        QVERIFY(InkBox(Image, QRect(F.right() - 2, FLine + 1, 3, kGap)).isValid());
    }

    // A head's ink is centred on its line or space; ledger lines run through or
    // beside it from the staff out, a little wider than the head and no further.
    void HeadsSitOnTheirLinesAndSpacesWithTheirLedgerLines() {
        const struct {
            const char* Note;
            int Staff;
            int Ledgers;
        } Cases[] = {
            {"A3", 1, 2}, {"B3", 1, 1}, {"C4", 1, 1}, {"D4", 1, 0}, {"A4", 1, 0},
            {"G5", 1, 0}, {"A5", 1, 1}, {"B5", 1, 1}, {"C6", 1, 2}, {"E2", 2, 1},
            {"F2", 2, 0}, {"B3", 2, 0}, {"C4", 2, 1}, {"F4", 2, 2},
        };
        for (const auto& Case : Cases) {
            const int Step = StepOf(Case.Note, Case.Staff);
            // The note tested is the upper voice of its staff when it is high, the lower when
            // low, with the other voice well inside the staff.
            const std::size_t Voice = (Case.Staff - 1) * 2 + (Step < 4 ? 1 : 0);
            std::array<TPart, 4> Voices = {kPlain[0], kPlain[1], kPlain[2], kPlain[3]};
            Voices[Voice].Step = Step;
            Voices[Voice ^ 1].Step = Step < 4 ? 8 : 0;
            const auto View = ViewOf({Measure(0, true, Voices)});
            const QImage Image = Shot(*View);
            const QPoint Centre = View->NoteCentre(0, static_cast<int>(Voice));
            QCOMPARE(Centre.y(), TScoreView::StaffLineY(Case.Staff, 4) - Step * kGap / 2);
            const int HeadLeft = Centre.x() - qRound(View->Font().Advance(mgWholeHead) / 2);
            const double Middle =
                InkMiddle(Image, HeadLeft, 2 * (Centre.x() - HeadLeft), Centre.y());
            QVERIFY2(std::abs(Middle - (Centre.y() + 0.5)) <= 0.25,
                     qPrintable(QStringLiteral("%1: %2").arg(Case.Note).arg(Middle)));
            QList<int> Rows;
            for (int Y = 0; Y < TScoreView::ScoreHeight(); ++Y) {
                if (!StaffRow(Y) && Ink(Image, HeadLeft - 2, Y) &&
                    !Ink(Image, HeadLeft - 2, Y - 1)) {
                    Rows << Y;
                }
                QVERIFY2(StaffRow(Y) || !Ink(Image, HeadLeft - 4, Y), Case.Note);
            }
            QStringList Found;
            for (const int Row : Rows) {
                Found << QString::number(Row);
            }
            QVERIFY2(
                Rows.size() == Case.Ledgers,
                qPrintable(QStringLiteral("%1: ledgers at %2").arg(Case.Note, Found.join(','))));
            for (const int Row : Rows) {
                const int FromBottom = TScoreView::StaffLineY(Case.Staff, 4) - Row;
                QVERIFY2(std::abs(FromBottom % kGap) <= 1 ||
                             std::abs(FromBottom % kGap) >= kGap - 1,
                         Case.Note);
            }
        }
    }

    // Accidentals stand left of the chord's heads, the upper voice's nearest; two that would
    // touch stand side by side. The lower head of a second or a unison goes right of the
    // upper; a unison takes one accidental.
    void AccidentalsStandLeftOfTheChord() {
        const struct {
            const char* Name;
            int Upper; // voice 0 or 2; the lower voice is the next one
            TPart High, Low;
            bool Shifted, Staggered;
        } Cases[] = {
            {"third, sharps", 0, {5, 1}, {3, 1}, false, true},
            {"sixth, sharps", 0, {5, 1}, {0, 1}, false, true},
            {"seventh, sharps", 0, {5, 1}, {-1, 1}, false, false},
            {"sixth, flats", 0, {5, -1}, {0, -1}, false, false},
            {"second", 0, {4, 0}, {3, 1}, true, true},
            {"third on the bass staff", 2, {9, -2}, {7, 2}, false, true},
            {"unison", 2, {6, 1}, {6, 1}, true, false},
        };
        for (const auto& Case : Cases) {
            std::array<TPart, 4> Voices = {kPlain[0], kPlain[1], kPlain[2], kPlain[3]};
            Voices[static_cast<std::size_t>(Case.Upper)] = Case.High;
            Voices[static_cast<std::size_t>(Case.Upper + 1)] = Case.Low;
            std::array<TPart, 4> Bare = Voices;
            for (TPart& Voice : Bare) {
                Voice.Accidental.reset();
            }
            const auto View = ViewOf({Measure(0, true, Voices)});
            const auto Without = ViewOf({Measure(0, true, Bare)});
            const QPoint High = View->NoteCentre(0, Case.Upper);
            const QPoint Low = View->NoteCentre(0, Case.Upper + 1);
            QCOMPARE(Low.x() - High.x(),
                     Case.Shifted ? qRound(View->Font().Advance(mgWholeHead)) : 0);
            const QRectF Near = View->AccidentalBox(0, Case.Upper);
            const QRectF Far = View->AccidentalBox(0, Case.Upper + 1);
            const double HeadLeft = High.x() - View->Font().Advance(mgWholeHead) / 2;
            QVERIFY2(!Near.isEmpty() && Near.right() <= HeadLeft - 1, Case.Name);
            QVERIFY2(Far.isEmpty() == (Case.High.Step == Case.Low.Step), Case.Name);
            if (!Far.isEmpty()) {
                QVERIFY2(Case.Staggered ? Far.right() < Near.left() : Far.right() == Near.right(),
                         Case.Name);
            }
            // Drawn where laid out: what the accidentals add lies in their boxes.
            const QImage Image = Shot(*View);
            const QImage Plain = Shot(*Without);
            const QRect Added = InkBox(Image, Image.rect(), &Plain);
            const QRect Boxes = Near.united(Far).toAlignedRect().adjusted(-1, -1, 1, 1);
            QVERIFY2(Boxes.contains(Added), Case.Name);
            for (const QRectF& Box : {Near, Far}) {
                QVERIFY2(Box.isEmpty() || InkBox(Image, Box.toRect(), &Plain).isValid(), Case.Name);
            }
        }
    }

    // Sharps F C G D A E B, flats B E A D G C F, each on its line or space on both staves,
    // side by side after the clefs.
    void KeySignaturesStandOnTheirNotes() {
        const char* Sharps[2][7] = {{"F5", "C5", "G5", "D5", "A4", "E5", "B4"},
                                    {"F3", "C3", "G3", "D3", "A2", "E3", "B2"}};
        const char* Flats[2][7] = {{"B4", "E5", "A4", "D5", "G4", "C5", "F4"},
                                   {"B2", "E3", "A2", "D3", "G2", "C3", "F2"}};
        const int Start =
            ViewOf({Measure(0, true, {kPlain[0], kPlain[1], kPlain[2], kPlain[3]})})->MarginRight();
        for (const std::int32_t Fifths : {7, -7, 2, -3}) {
            const auto View =
                ViewOf({Measure(Fifths, true, {kPlain[0], kPlain[1], kPlain[2], kPlain[3]})});
            const QImage Image = Shot(*View);
            const TMusicGlyph Glyph = Fifths > 0 ? mgSharp : mgFlat;
            const double Advance = View->Font().Advance(Glyph);
            for (int k = 0; k < std::abs(Fifths); ++k) {
                const double X = Start + k * (Advance + 0.2 * kGap);
                for (const int Staff : {1, 2}) {
                    const char* Note = (Fifths > 0 ? Sharps : Flats)[Staff - 1][k];
                    const QRectF Want = View->Font().Box(Glyph).translated(
                        X, TScoreView::StaffLineY(Staff, 4) - StepOf(Note, Staff) * kGap / 2 + 0.5);
                    // Staff lines left out, an edge on one is found a row inside.
                    const QRect Got =
                        InkBox(Image, StaffBand(Staff, qRound(X + 1), qRound(X + Advance - 1)));
                    // A flat's stem is left of the band: its bowl is measured.
                    QVERIFY2((Fifths < 0 || std::abs(Got.top() - Want.top()) <= 2) &&
                                 std::abs(Got.bottom() + 1 - Want.bottom()) <= 2,
                             qPrintable(QStringLiteral("%1 of %2: rows %3..%4, wanted %5..%6")
                                            .arg(Note)
                                            .arg(Fifths)
                                            .arg(Got.top())
                                            .arg(Got.bottom())
                                            .arg(Want.top())
                                            .arg(Want.bottom())));
                }
            }
        }
    }

    // Scrolled anywhere, the margin is the start of a system in one of the score's keys (the
    // last one at the end, a measure's own when it is brought into view from the right), and
    // nothing of a measure reaches into it. Each key lasts longer than the view is wide.
    void MarginKeepsTheClefsAndTheSignatureInForce() {
        const std::int32_t Keys[] = {0, 2, -3, 4, 0};
        std::vector<TScoreMeasure> Measures;
        const std::array<TPart, 4> Busy = {TPart{11, 1}, TPart{-3, -1}, TPart{13, 0}, TPart{-2, 2}};
        for (const std::int32_t Fifths : Keys) {
            for (int i = 0; i < 8; ++i) {
                Measures.push_back(Measure(
                    Fifths, i == 0,
                    i % 2 ? Busy
                          : std::array<TPart, 4>{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}));
            }
        }
        const int Top = TScoreView::StaffLineY(1, 0) - 2 * kGap;
        const int Bottom = TScoreView::StaffLineY(2, 4) + 3 * kGap;
        std::map<std::int32_t, QImage> Starts;
        for (const std::int32_t Fifths : Keys) {
            const auto Fresh = ViewOf({Measure(Fifths, true, Busy)});
            Starts[Fifths] = Shot(*Fresh).copy(0, Top, Fresh->MarginRight(), Bottom - Top);
        }
        const auto View = ViewOf(Measures);
        QScrollBar* Bar = View->horizontalScrollBar();
        QVERIFY(Bar->maximum() > 1000);
        const auto MarginOf = [&] {
            return Shot(*View).copy(0, Top, View->MarginRight(), Bottom - Top);
        };
        for (int Scroll = 0; Scroll <= Bar->maximum(); Scroll += 5) {
            Bar->setValue(Scroll);
            const QImage Image = Shot(*View);
            const int Edge = View->MarginRight() - 1;
            for (int Y = Top; Y < Bottom; ++Y) {
                QVERIFY2(StaffRow(Y) || !Ink(Image, Edge, Y),
                         qPrintable(QStringLiteral("scroll %1, row %2").arg(Scroll).arg(Y)));
            }
            const QImage Margin = MarginOf();
            QVERIFY2(std::any_of(Starts.begin(), Starts.end(),
                                 [&](const auto& Start) { return Start.second == Margin; }),
                     qPrintable(QStringLiteral("scroll %1").arg(Scroll)));
        }
        Bar->setValue(Bar->maximum());
        QCOMPARE(MarginOf(), Starts[Keys[4]]);
        for (int Key = 3; Key >= 0; --Key) {
            View->SetCurrent(Key * 8 + 7);
            QCOMPARE(MarginOf(), Starts[Keys[Key]]);
            View->SetCurrent(Key * 8);
            QCOMPARE(MarginOf(), Starts[Keys[Key]]);
        }
    }
};

QTEST_MAIN(TScoreViewTest)
#include "score_view_test.moc"
