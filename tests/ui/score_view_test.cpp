// The score as an engraver reads it, from the pixels drawn: clefs on the lines they name, heads
// on their lines and spaces with their ledger lines, accidentals left of the chord, key
// signatures on their notes, and at every scroll position a margin of clefs and signature.
#include "ui/score_view.h"

#include <QScrollBar>
#include <QtTest>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <optional>

namespace {

constexpr int kGap = 8;
constexpr int kInk = 95; // darkness (0..255) that counts as ink

struct TPart {
    int Step;
    std::optional<int> Accidental = std::nullopt;
};
using TParts = std::array<TPart, 4>;
const TParts kPlain = {{{5}, {3}, {7}, {3}}}; // C5 A4 / G3 C3: no ledger line, no accidental

TScoreMeasure Measure(std::int32_t Fifths, const TParts& Parts, bool KeyChange = true) {
    TScoreMeasure Made{};
    Made.KeyChange = KeyChange;
    Made.Fifths = Fifths;
    for (std::size_t v = 0; v < 4; ++v) {
        Made.Notes[v] = {{'C', 0}, 4, 60, v < 2 ? 1 : 2, Parts[v].Step, Parts[v].Accidental};
    }
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

int Dark(const QImage& Image, int X, int Y) {
    return Image.rect().contains(X, Y) ? 255 - qGray(Image.pixel(X, Y)) : 0;
}

bool StaffRow(int Y) {
    const int Treble = TScoreView::StaffLineY(1, 0);
    const int Bass = TScoreView::StaffLineY(2, 0);
    return Y >= Treble && (Y - Treble) % kGap == 0 && Y <= Bass + 4 * kGap &&
           (Y <= Treble + 4 * kGap || Y >= Bass);
}

// The ink of Region off the staff lines.
QRect InkBox(const QImage& Image, QRect Region) {
    QRect Box;
    for (int Y = Region.top(); Y <= Region.bottom(); ++Y) {
        for (int X = Region.left(); X <= Region.right(); ++X) {
            Box |= !StaffRow(Y) && Dark(Image, X, Y) > kInk ? QRect(X, Y, 1, 1) : QRect();
        }
    }
    return Box;
}

// The darkness-weighted height of a head's ink around Row, leaving out the rows that a staff or
// ledger line touches (grey left of the head) and their mirror rows.
double InkMiddle(const QImage& Image, int Left, int Row) {
    const auto Line = [&](int Y) { return StaffRow(Y) || Dark(Image, Left - 2, Y) > 5; };
    double Mass = 0;
    double Moment = 0;
    for (int Y = Row - 6; Y <= Row + 6; ++Y) {
        for (int X = Left; X < Left + 2 * kGap && !Line(Y) && !Line(2 * Row - Y); ++X) {
            Mass += Dark(Image, X, Y);
            Moment += Dark(Image, X, Y) * (Y + 0.5);
        }
    }
    return Moment / std::max(Mass, 1.0);
}

// Diatonic steps above E4 (the treble staff's bottom line) or G2 (the bass staff's).
int StepOf(const char* Note, int Staff) {
    return (Note[1] - '0') * 7 + (Note[0] - 'C' + 7) % 7 - (Staff == 1 ? 30 : 18);
}

int RowOf(const char* Note, int Staff) {
    return TScoreView::StaffLineY(Staff, 4) - StepOf(Note, Staff) * kGap / 2;
}

} // namespace

class TScoreViewTest : public QObject {
    Q_OBJECT

private slots:
    // The G clef's curl wraps the second line, two thirds down a clef that reaches beyond the
    // staff; the F clef's dots stand either side of the fourth line.
    void ClefsSitOnTheLinesTheyName() {
        const auto View = ViewOf({Measure(0, kPlain)});
        const QImage Image = Shot(*View);
        const int Top = TScoreView::StaffLineY(1, 0);
        const int Bottom = TScoreView::StaffLineY(2, 4);
        const int Middle = TScoreView::StaffLineY(1, 4) + 2 * kGap;
        int Left = 0; // the system line: the first column inked from the top line to the bottom
        for (int Y = Top; Y <= Bottom; Y = Dark(Image, Left, Y) > kInk ? Y + 1 : (++Left, Top)) {
        }
        const QRect G =
            InkBox(Image, QRect(QPoint(Left + 1, 0), QPoint(View->MarginRight(), Middle)));
        const double Down = (TScoreView::StaffLineY(1, 3) + 0.5 - G.top()) / G.height();
        QVERIFY2(Down > 0.62 && Down < 0.7, qPrintable(QString::number(Down)));
        QVERIFY(G.top() < Top - kGap && G.bottom() > Middle - kGap);
        const QRect F =
            InkBox(Image, QRect(QPoint(Left + 1, Middle), QPoint(View->MarginRight(), Bottom)));
        const int FLine = TScoreView::StaffLineY(2, 1);
        const QRect Above = InkBox(Image, QRect(F.right() - 2, FLine - kGap + 1, 3, kGap - 1));
        const QRect Below = InkBox(Image, QRect(F.right() - 2, FLine + 1, 3, kGap - 1));
        QVERIFY(Above.isValid() && Below.isValid());
        QCOMPARE(InkBox(Image, QRect(F.right() - 2, F.top(), 3, F.height())), Above | Below);
    }

    // A head's ink is centred on its line or space; ledger lines run from the staff out to it,
    // a little wider than the head and no further.
    void HeadsSitOnTheirLinesAndSpacesWithTheirLedgerLines() {
        const struct {
            const char* Note;
            int Staff;
            int Ledgers;
        } Cases[] = {{"A3", 1, 2}, {"B3", 1, 1}, {"C4", 1, 1}, {"D4", 1, 0}, {"A4", 1, 0},
                     {"G5", 1, 0}, {"A5", 1, 1}, {"B5", 1, 1}, {"C6", 1, 2}, {"E2", 2, 1},
                     {"F2", 2, 0}, {"B3", 2, 0}, {"C4", 2, 1}, {"F4", 2, 2}};
        for (const auto& Case : Cases) {
            // The upper voice of its staff when high, the lower when low, the other inside.
            const int Step = StepOf(Case.Note, Case.Staff);
            const std::size_t Voice = (Case.Staff - 1) * 2 + (Step < 4 ? 1 : 0);
            TParts Parts = kPlain;
            Parts[Voice].Step = Step;
            Parts[Voice ^ 1].Step = Step < 4 ? 8 : 0;
            const auto View = ViewOf({Measure(0, Parts)});
            const QImage Image = Shot(*View);
            const QPoint Centre = View->NoteCentre(0, static_cast<int>(Voice));
            QCOMPARE(Centre.y(), RowOf(Case.Note, Case.Staff));
            const int Left = Centre.x() - qRound(View->Font().Advance(mgWholeHead) / 2);
            QVERIFY2(std::abs(InkMiddle(Image, Left, Centre.y()) - Centre.y() - 0.5) <= 0.25,
                     Case.Note);
            QList<int> Ledgers; // each one's distance from a line's height
            for (int Y = 0; Y < Image.height(); ++Y) {
                if (!StaffRow(Y) && Dark(Image, Left - 2, Y) > kInk &&
                    Dark(Image, Left - 2, Y - 1) <= kInk) {
                    Ledgers << (TScoreView::StaffLineY(Case.Staff, 4) - Y) % kGap;
                }
                QVERIFY2(StaffRow(Y) || Dark(Image, Left - 4, Y) <= kInk, Case.Note);
            }
            QVERIFY2(Ledgers.count(0) == Case.Ledgers && Ledgers.size() == Case.Ledgers, Case.Note);
        }
    }

    // Accidentals stand left of the heads, the upper voice's nearest; two that would touch
    // stand side by side. The lower head of a second or a unison goes right; a unison takes
    // one accidental.
    void AccidentalsStandLeftOfTheChord() {
        const struct {
            const char* Name;
            int Upper; // the soprano or the tenor; the lower voice is the next
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
            TParts Parts = kPlain;
            Parts[static_cast<std::size_t>(Case.Upper)] = Case.High;
            Parts[static_cast<std::size_t>(Case.Upper + 1)] = Case.Low;
            const auto View = ViewOf({Measure(0, Parts)});
            const double Head = View->Font().Advance(mgWholeHead);
            const QPoint High = View->NoteCentre(0, Case.Upper);
            QCOMPARE(View->NoteCentre(0, Case.Upper + 1).x() - High.x(),
                     Case.Shifted ? qRound(Head) : 0);
            const QRectF Near = View->AccidentalBox(0, Case.Upper);
            const QRectF Far = View->AccidentalBox(0, Case.Upper + 1);
            QVERIFY2(!Near.isEmpty() && Near.right() <= High.x() - Head / 2 - 1, Case.Name);
            QVERIFY2(Far.isEmpty() == (Case.High.Step == Case.Low.Step), Case.Name);
            QVERIFY2(Far.isEmpty() ||
                         (Case.Staggered ? Far.right() < Near.left() : Far.right() == Near.right()),
                     Case.Name);
            // Drawn where laid out.
            const QImage Image = Shot(*View);
            QVERIFY2(InkBox(Image, Near.toRect()).isValid() &&
                         InkBox(Image, Far.toRect()).isValid() != Far.isEmpty(),
                     Case.Name);
        }
    }

    // Sharps F C G D A E B, flats B E A D G C F, each on its line or space on both staves,
    // side by side after the clefs.
    void KeySignaturesStandOnTheirNotes() {
        const char* Sharps[2][7] = {{"F5", "C5", "G5", "D5", "A4", "E5", "B4"},
                                    {"F3", "C3", "G3", "D3", "A2", "E3", "B2"}};
        const char* Flats[2][7] = {{"B4", "E5", "A4", "D5", "G4", "C5", "F4"},
                                   {"B2", "E3", "A2", "D3", "G2", "C3", "F2"}};
        const int Start = ViewOf({Measure(0, kPlain)})->MarginRight();
        for (const std::int32_t Fifths : {7, -7}) {
            const auto View = ViewOf({Measure(Fifths, kPlain)});
            const QImage Image = Shot(*View);
            const TMusicGlyph Glyph = Fifths > 0 ? mgSharp : mgFlat;
            const double Advance = View->Font().Advance(Glyph);
            for (int k = 0; k < 14; ++k) {
                const int Staff = k / 7 + 1;
                const char* Note = (Fifths > 0 ? Sharps : Flats)[Staff - 1][k % 7];
                const double X = Start + k % 7 * (Advance + 0.2 * kGap);
                const int Row = RowOf(Note, Staff);
                const QRectF Want = View->Font().Box(Glyph).translated(X, Row + 0.5);
                // The middle columns: a flat's stem is left of them, its bowl measured.
                const QRect Got = InkBox(
                    Image, QRect(qRound(X + 1), Row - 3 * kGap, qRound(Advance - 2), 6 * kGap));
                QVERIFY2((Fifths < 0 || std::abs(Got.top() - Want.top()) <= 2) &&
                             std::abs(Got.bottom() + 1 - Want.bottom()) <= 2,
                         Note);
            }
        }
    }

    // Scrolled anywhere, the margin is the start of a system in one of the score's keys (the
    // last at the end, a measure's own when it is brought into view from the right), and no
    // glyph of a measure reaches into it. Each key lasts longer than the view is wide.
    void MarginKeepsTheClefsAndTheSignatureInForce() {
        const std::int32_t Keys[] = {0, 2, -3, 4, 0};
        const TParts Busy = {{{11, 1}, {-3, -1}, {13, 0}, {-2, 2}}};
        std::vector<TScoreMeasure> Measures;
        std::map<std::int32_t, QImage> Starts;
        const int Top = TScoreView::StaffLineY(1, 0) - 2 * kGap;
        const int Height = TScoreView::StaffLineY(2, 4) + 3 * kGap - Top;
        for (const std::int32_t Fifths : Keys) {
            for (int i = 0; i < 8; ++i) {
                Measures.push_back(Measure(Fifths, i % 2 ? Busy : kPlain, i == 0));
            }
            const auto Fresh = ViewOf({Measure(Fifths, Busy)});
            Starts[Fifths] = Shot(*Fresh).copy(0, Top, Fresh->MarginRight(), Height);
        }
        const auto View = ViewOf(Measures);
        const auto Margin = [&] { return Shot(*View).copy(0, Top, View->MarginRight(), Height); };
        QScrollBar* Bar = View->horizontalScrollBar();
        for (int Scroll = 0; Scroll <= Bar->maximum(); Scroll += 5) {
            Bar->setValue(Scroll);
            const QImage Now = Margin();
            QVERIFY2(!InkBox(Shot(*View), QRect(Now.width() - 1, Top, 1, Height)).isValid() &&
                         std::any_of(Starts.begin(), Starts.end(),
                                     [&](const auto& Start) { return Start.second == Now; }),
                     qPrintable(QString::number(Scroll)));
        }
        QCOMPARE(Margin(), Starts[Keys[4]]);
        for (int Key = 3; Key >= 0; --Key) {
            View->SetCurrent(Key * 8 + 7);
            QCOMPARE(Margin(), Starts[Keys[Key]]);
            View->SetCurrent(Key * 8);
            QCOMPARE(Margin(), Starts[Keys[Key]]);
        }
    }
};

QTEST_MAIN(TScoreViewTest)
#include "score_view_test.moc"
