// The windows on Qt's offscreen platform, with recording MIDI devices in place of real ones.
#include "midi/midi_message.h"
#include "midi/recording_backend.h"
#include "progression/display_layout.h"
#include "progression/progression_file.h"
#include "score/midi_file.h"
#include "ui/kadenzo00.h"
#include "ui/kadenzo50.h"
#include "ui/kadenzo60.h"
#include "ui/practice_window.h"
#include "ui/progression_display.h"
#include "ui/score_window.h"
#include "ui/ui_style.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace {

// Answers the next modal dialog once it is up.
void AnswerNextDialog(std::function<void(QWidget*)> Answer) {
    QTimer::singleShot(0, [Answer] {
        QWidget* Dialog = QApplication::activeModalWidget();
        QVERIFY(Dialog != nullptr);
        Answer(Dialog);
    });
}

int NoteOns(const TRecordingBackend& Backend) {
    int Count = 0;
    for (const auto& Event : Backend.Events()) {
        Count +=
            Event.Kind == TRecordingBackend::TEventKind::Message && (Event.Message & 0xF0) == 0x90;
    }
    return Count;
}

// A MIDI input of two ports whose messages the test sends from a thread of its own, as a
// MIDI system does.
class TFakeInput : public TMidiInput {
public:
    void Refresh() override {}
    int PortCount() override { return 2; }
    std::optional<std::string> PortName(int Port) override {
        return Port == 0   ? "Keys A"
               : Port == 1 ? std::optional<std::string>("Keys B")
                           : std::nullopt;
    }
    bool Open(int Port, TReceive NewReceive, TLost NewLost) override {
        Opened = Port;
        Receive = std::move(NewReceive);
        Lost = std::move(NewLost);
        return true;
    }
    void Close() override { Opened = -1; }
    // Plays Messages from another thread, as the system's input thread would.
    void Play(std::vector<std::uint32_t> Messages) {
        std::thread([this, Messages] {
            for (const std::uint32_t Message : Messages) {
                Receive(Message);
            }
        }).join();
    }

    int Opened = -1;
    TReceive Receive;
    TLost Lost;
};

// Columns of the first ink of each glyph group in the pixel rows of one text line.
QList<int> InkStarts(const QImage& Image, int Top, int Bottom, int Left, int Right) {
    QList<int> Starts;
    bool InInk = false;
    int Blank = 0;
    for (int X = Left; X < Right; ++X) {
        bool Ink = false;
        for (int Y = std::max(Top, 0); Y < std::min(Bottom, Image.height()) && !Ink; ++Y) {
            Ink = qGray(Image.pixel(X, Y)) < 128;
        }
        if (Ink && !InInk) {
            Starts << X;
        }
        Blank = Ink ? 0 : Blank + 1;
        InInk = Ink || (InInk && Blank < 4);
    }
    return Starts;
}

// The style of desktops whose dialog buttons carry stock icons (Qt's own platform theme on X11
// does; the offscreen platform does not).
class TButtonIconStyle : public QProxyStyle {
public:
    int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                  QStyleHintReturn* Return) const override {
        if (Hint == SH_DialogButtonBox_ButtonsHaveIcons) {
            return 1;
        }
        return QProxyStyle::styleHint(Hint, Option, Widget, Return);
    }
};

// A dialog in the windows' font, no button with a stock icon.
void ExpectPlainDialog(const QDialog& Dialog) {
    QCOMPARE(Dialog.font().family(), KadenzoFont().family());
    const QList<QAbstractButton*> Buttons = Dialog.findChildren<QAbstractButton*>();
    QVERIFY(!Buttons.isEmpty());
    for (const QAbstractButton* Button : Buttons) {
        QVERIFY2(Button->icon().isNull(), qPrintable(Button->text()));
    }
}

// The score's pixels, as an engraver reads them.
constexpr int kGap = 8;
constexpr int kInk = 95; // darkness (0..255) that counts as ink
const int kTop = TScoreView::StaffLineY(1, 0);

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
    return View;
}

int Dark(const QImage& Image, int X, int Y) {
    return Image.valid(X, Y) ? 255 - qGray(Image.pixel(X, Y)) : 0;
}

bool StaffRow(int Y) {
    const int Line = Y - TScoreView::StaffLineY(Y > TScoreView::StaffLineY(1, 4) ? 2 : 1, 0);
    return Line >= 0 && Line <= 4 * kGap && Line % kGap == 0;
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

// The row of Note's line or space on Staff (1 treble, 2 bass).
int RowOf(const char* Note, int Staff) {
    const int Step = (Note[1] - '0') * 7 + (Note[0] - 'C' + 7) % 7 - (Staff == 1 ? 30 : 18);
    return TScoreView::StaffLineY(Staff, 4) - Step * kGap / 2;
}

} // namespace

class TWindowsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TRecordingBackend> Backend;
    std::unique_ptr<TFormHelp> Help;
    std::unique_ptr<TFormExample> Example;
    std::unique_ptr<TFormMain> Main;

    template <typename T> T* Control(const char* Name) {
        T* Found = Main->findChild<T*>(QString::fromUtf8(Name));
        return Found;
    }
    TProgressionDisplay* Memo() { return Control<TProgressionDisplay>("MemoChord"); }
    void Key(QWidget* Target, Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
        QTest::keyClick(Target, Key, Modifiers);
        QTest::qWait(1); // lets a waiting key release through
    }

private slots:
    void initTestCase() {
        // The choices kept across runs go to a test folder, and every run starts from none.
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setStyle(new TButtonIconStyle);
        QSettings(QStringLiteral("Kadenzo"), QStringLiteral("Kadenzo")).clear();
        QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      QStringLiteral("/Kadenzo/practice-records.txt"));
    }

    void init() {
        // The score window not yet placed.
        QSettings(QStringLiteral("Kadenzo"), QStringLiteral("Kadenzo"))
            .remove(QStringLiteral("score"));
        Backend = std::make_unique<TRecordingBackend>(
            std::vector<std::string>{"Recorder 0", "Recorder 1"});
        Help = std::make_unique<TFormHelp>();
        Example = std::make_unique<TFormExample>();
        Main = std::make_unique<TFormMain>(*Backend, *Help, *Example);
        Main->show();
        QVERIFY(QTest::qWaitForWindowExposed(Main.get()));
        Main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main.get()));
        QTRY_VERIFY(Main->IsReady());
    }

    void cleanup() {
        Main.reset();
        Example.reset();
        Help.reset();
        Backend.reset();
    }

    // The window's context menu, on the window, a button or the display, switches the four
    // voices on; the choice is kept for the next run.
    void FourPartVoicingFromTheContextMenuIsKept() {
        auto* Action = Main->findChild<QAction*>(QStringLiteral("ActionFourPart"));
        QVERIFY(Action != nullptr);
        QCOMPARE(Action->text(), QStringLiteral("四声体で鳴らす"));
        QVERIFY(Action->isCheckable() && !Action->isChecked());
        QVERIFY(Main->Model().GetVoicing() == TVoicing::Block);
        for (QWidget* Target :
             {static_cast<QWidget*>(Main.get()),
              static_cast<QWidget*>(Control<QPushButton>("ButtonInit")), Memo()->viewport()}) {
            bool Offered = false;
            QTimer::singleShot(0, [&] {
                auto* Menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                Offered = Menu != nullptr && Menu->actions().contains(Action);
                if (Menu != nullptr) {
                    Menu->close();
                }
            });
            QContextMenuEvent Event(QContextMenuEvent::Mouse, QPoint(4, 4),
                                    Target->mapToGlobal(QPoint(4, 4)));
            QApplication::sendEvent(Target, &Event);
            QVERIFY2(Offered, qPrintable(Target->objectName()));
        }
        Action->trigger();
        QVERIFY(Main->Model().GetVoicing() == TVoicing::FourPart);
        Backend->ClearEvents();
        Key(Memo(), Qt::Key_1);
        QCOMPARE(NoteOns(*Backend), 4);

        cleanup();
        init();
        Action = Main->findChild<QAction*>(QStringLiteral("ActionFourPart"));
        QVERIFY(Action->isChecked());
        QVERIFY(Main->Model().GetVoicing() == TVoicing::FourPart);
        Action->trigger();
        QVERIFY(Main->Model().GetVoicing() == TVoicing::Block);
        QCOMPARE(QSettings(QStringLiteral("Kadenzo"), QStringLiteral("Kadenzo"))
                     .value(QStringLiteral("voicing"))
                     .toString(),
                 QStringLiteral("block"));
    }

    // 「再生」 plays the whole progression from the start at the tempo kept, a chord a beat,
    // the cursor following, and ends in silence; Esc stops it where it is.
    void PlayPlaysTheProgressionAndEscStopsIt() {
        QSettings(QStringLiteral("Kadenzo"), QStringLiteral("Kadenzo"))
            .setValue(QStringLiteral("tempo"), 160);
        cleanup();
        init();
        for (const Qt::Key Digit : {Qt::Key_1, Qt::Key_4, Qt::Key_5, Qt::Key_1}) {
            Key(Memo(), Digit);
        }
        auto* Play = Main->findChild<QAction*>(QStringLiteral("ActionPlay"));
        QCOMPARE(Play->text(), QStringLiteral("再生"));
        Backend->ClearEvents();
        Play->trigger();
        QCOMPARE(Main->Model().GetCursor(), 1);
        QTRY_COMPARE(Main->Model().GetCursor(), 4);
        QTRY_COMPARE(Backend->MessagesTo(0).back(), std::uint32_t{0x7BB0});
        QCOMPARE(NoteOns(*Backend), 4 * 11);

        Play->trigger();
        Key(Memo(), Qt::Key_Escape);
        Backend->ClearEvents();
        QTest::qWait(3 * 60'000 / 160);
        QCOMPARE(Main->Model().GetCursor(), 1);
        QCOMPARE(NoteOns(*Backend), 0);
        QSettings(QStringLiteral("Kadenzo"), QStringLiteral("Kadenzo"))
            .remove(QStringLiteral("tempo"));
    }

    // 「聴音練習」: lesson 1's question for seed 5 (G: I IV I IV V I) answered with real keys in
    // the practice window, the fourth chord wrong; each chord is graded as it comes, the
    // question then stands on the staff with the mistake marked, the record counts it, and
    // closing the window gives the main window's progression back.
    void PracticeAnswersAQuestionWithTheKeys() {
        Key(Memo(), Qt::Key_2);
        Main->findChild<QAction*>(QStringLiteral("ActionPractice"))->trigger();
        TPracticeWindow* Practice = nullptr;
        for (QWidget* Window : QApplication::topLevelWidgets()) {
            Practice = Practice ? Practice : dynamic_cast<TPracticeWindow*>(Window);
        }
        QVERIFY(Practice != nullptr);
        QCOMPARE(Practice->windowTitle(), QStringLiteral("聴音練習"));
        Practice->findChild<QComboBox*>(QStringLiteral("ComboLesson"))->setCurrentIndex(0);
        Practice->Ask(5);
        QCOMPARE(Main->Model().GetTonality().Tonic.Letter, 'G');
        QVERIFY(Main->Model().GetProgression().empty());
        auto* Grades = Practice->findChild<QLabel*>(QStringLiteral("LabelGrades"));
        for (const Qt::Key Digit : {Qt::Key_1, Qt::Key_4, Qt::Key_1}) {
            Key(Practice, Digit);
        }
        QCOMPARE(Grades->text(), QStringLiteral("1○ 2○ 3○ 4・ 5・ 6・"));
        QCOMPARE(Practice->View().MeasureCount(), 0);
        for (const Qt::Key Digit : {Qt::Key_6, Qt::Key_5, Qt::Key_1}) {
            Key(Practice, Digit);
        }
        QCOMPARE(Grades->text(), QStringLiteral("1○ 2○ 3○ 4×（Ⅳ） 5○ 6○ 　5／6"));
        QCOMPARE(Practice->View().MeasureCount(), 6);
        const QImage Shot = Practice->View().viewport()->grab().toImage();
        const int Y = TScoreView::StaffLineY(1, 0) - 2 * kGap;
        QCOMPARE(Shot.pixelColor(Practice->View().NoteCentre(3, 0).x() + 12, Y),
                 QColor(255, 210, 210));
        QVERIFY(Shot.pixelColor(Practice->View().NoteCentre(2, 0).x() + 12, Y) !=
                QColor(255, 210, 210));
        QVERIFY(
            Practice->findChild<QLabel*>(QStringLiteral("LabelRecord"))
                ->text()
                .startsWith(QStringLiteral("記録: 1 問中 0 問正解（0%）　聞き違い: ⅣをⅥと 1回")));
        Practice->close();
        QCOMPARE(Main->Model().GetProgression().size(), std::size_t{1});
        QCOMPARE(Main->Model().GetDegree(), 2);
    }

    // A teacher's lesson kept from the last time asks its files in the order of their names.
    void TeachersLessonAsksItsFilesInOrder() {
        QTemporaryDir Lesson;
        const TTonality Keys[] = {{{'D', 0}, mdMajor}, {{'E', 0}, mdMinor}};
        for (int i = 0; i < 2; ++i) {
            QVERIFY(
                WriteProgressionFile(Lesson.filePath(QStringLiteral("q%1").arg(i)).toStdString(),
                                     {{Keys[i], 1, cvNormal}, {Keys[i], 5, cvNormal}}));
        }
        QSettings(QStringLiteral("Kadenzo"), QStringLiteral("Kadenzo"))
            .setValue(QStringLiteral("practice/lesson"), Lesson.path());
        cleanup();
        init();
        Main->findChild<QAction*>(QStringLiteral("ActionPractice"))->trigger();
        QPushButton* ButtonAsk = nullptr;
        for (QWidget* Window : QApplication::topLevelWidgets()) {
            ButtonAsk = ButtonAsk ? ButtonAsk
                                  : Window->findChild<QPushButton*>(QStringLiteral("ButtonAsk"));
        }
        QVERIFY(ButtonAsk != nullptr);
        for (const char Tonic : {'D', 'E', 'D', 'E', 'D', 'E', 'D'}) {
            ButtonAsk->click();
            QCOMPARE(Main->Model().GetTonality().Tonic.Letter, Tonic);
        }
        ButtonAsk->window()->close();
        QSettings(QStringLiteral("Kadenzo"), QStringLiteral("Kadenzo"))
            .remove(QStringLiteral("practice"));
    }

    // 「MIDI 入力」: the ports listed with なし, the one chosen opened and kept for the next
    // start; a triad played from another thread enters the progression, what is no triad and a
    // port that goes away are said in the score window.
    void PlayingInFromAMidiKeyboard() {
        static TFakeInput Input; // outlives the window, whatever the test does
        Input.Opened = -1;
        const auto Start = [&] {
            cleanup();
            Backend = std::make_unique<TRecordingBackend>(std::vector<std::string>{"Recorder 0"});
            Help = std::make_unique<TFormHelp>();
            Example = std::make_unique<TFormExample>();
            Main = std::make_unique<TFormMain>(*Backend, *Help, *Example, &Input);
            Main->show();
            QTRY_VERIFY(Main->IsReady());
        };
        Start();
        auto* Ports = Main->findChild<QMenu*>(QStringLiteral("MenuMidiInput"));
        QVERIFY(Ports != nullptr);
        QCOMPARE(Ports->title(), QStringLiteral("MIDI 入力"));
        emit Ports->aboutToShow();
        QStringList Names;
        for (const QAction* Action : Ports->actions()) {
            Names << Action->text() + (Action->isChecked() ? QStringLiteral("*") : QString());
        }
        QCOMPARE(Names, QStringList({QStringLiteral("なし*"), QStringLiteral("Keys A"),
                                     QStringLiteral("Keys B")}));
        Ports->actions()[2]->trigger();
        QCOMPARE(Input.Opened, 1);
        emit Ports->aboutToShow();
        QVERIFY(Ports->actions()[2]->isChecked());

        Input.Play({0x403C90, 0x404090, 0x404390}); // held: taken once they settle
        QTRY_COMPARE(Main->Model().GetProgression().size(), std::size_t{1});
        Input.Play({0x003C80, 0x004080, 0x004380});
        QCOMPARE(EntryLine(Main->Model().GetProgression()[0]), std::string("C 0010"));
        QCOMPARE(NoteOns(*Backend), 3); // the notes as played, the chord not again
        Input.Play({0x403C90, 0x403D90, 0x403E90});
        QTest::qWait(100); // the three notes settle (40 ms) while no score window is open
        Main->findChild<QAction*>(QStringLiteral("ActionShowScore"))->trigger();
        QLabel* Status = nullptr;
        for (QWidget* Window : QApplication::topLevelWidgets()) {
            Status = Status ? Status : Window->findChild<QLabel*>(QStringLiteral("LabelStatus"));
        }
        QVERIFY(Status != nullptr);
        QVERIFY(Status->text().contains(QStringLiteral("減三和音")));
        std::thread([&] { Input.Lost("「Keys B」が切断されました。"); }).join();
        QTRY_COMPARE(Status->text(), QStringLiteral("「Keys B」が切断されました。"));

        Input.Opened = -1;
        Start();
        QTRY_COMPARE(Input.Opened, 1);
    }

    // The export asks for a name with the standard file dialog and writes the whole
    // progression there, the extension added to a name typed without one.
    void ExportsAMidiFileFromTheContextMenu() {
        Key(Memo(), Qt::Key_1);
        Key(Memo(), Qt::Key_5);
        const QString Path = QDir::temp().filePath(
            QStringLiteral("kadenzo-window-export-%1").arg(QCoreApplication::applicationPid()));
        AnswerNextDialog([&](QWidget* Dialog) {
            auto* Files = qobject_cast<QFileDialog*>(Dialog);
            QVERIFY(Files != nullptr);
            Files->selectFile(Path);
            QMetaObject::invokeMethod(Files, "accept", Qt::DirectConnection);
        });
        Main->findChild<QAction*>(QStringLiteral("ActionExportMidi"))->trigger();
        QFile File(Path + QStringLiteral(".mid"));
        QVERIFY(File.open(QIODevice::ReadOnly));
        const QByteArray Written = File.readAll();
        File.remove();
        QCOMPARE(Written.toStdString(),
                 StandardMidiFile(Main->Model().GetProgression(), 49, TVoicing::Block));
        QCOMPARE(Main->Model().GetProgression().size(), std::size_t{2});
    }

    // 「譜表」 from the context menu: the staff lines evenly spaced, the heads of C major's I
    // (C5 G4 / E4 C3) on their lines and spaces, and the new chord highlighted as it comes.
    void ScoreWindowShowsTheProgressionOnAGrandStaff() {
        for (const Qt::Key Digit : {Qt::Key_1, Qt::Key_4, Qt::Key_5, Qt::Key_1}) {
            Key(Memo(), Digit);
        }
        Key(Memo(), Qt::Key_Up, Qt::ControlModifier);
        Key(Memo(), Qt::Key_5);
        Main->findChild<QAction*>(QStringLiteral("ActionShowScore"))->trigger();
        TScoreWindow* Score = nullptr;
        for (QWidget* Window : QApplication::topLevelWidgets()) {
            if (Window->windowTitle() == QStringLiteral("譜表")) {
                Score = dynamic_cast<TScoreWindow*>(Window);
            }
        }
        QVERIFY(Score != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(Score));
        QCOMPARE(Score->windowTitle(), QStringLiteral("譜表"));
        TScoreView& View = Score->View();
        const QImage Shot = View.viewport()->grab().toImage();
        if (const char* Path = std::getenv("KADENZO_SCORE_SHOT")) {
            Shot.save(QString::fromUtf8(Path));
        }
        // Staff lines: dark rows 8 pixels apart at a column between two heads.
        const int X = View.NoteCentre(0, 0).x() + 24;
        for (const int Staff : {1, 2}) {
            for (int Line = 0; Line < 5; ++Line) {
                const int Y = TScoreView::StaffLineY(Staff, Line);
                QVERIFY2(qGray(Shot.pixel(X, Y)) < 100, qPrintable(QString::number(Y)));
                QVERIFY(qGray(Shot.pixel(X, Y + 4)) > 200);
                QCOMPARE(TScoreView::StaffLineY(Staff, Line) - TScoreView::StaffLineY(Staff, 0),
                         8 * Line);
            }
        }
        // The heads of the first chord: steps above each staff's bottom line.
        const int Steps[4] = {5, 2, 12, 3}; // C5, G4 / E4, C3
        const int Staffs[4] = {1, 1, 2, 2};
        for (int Voice = 0; Voice < 4; ++Voice) {
            const QPoint Centre = View.NoteCentre(0, Voice);
            QCOMPARE(Centre.y(), TScoreView::StaffLineY(Staffs[Voice], 4) - Steps[Voice] * 4);
            // An open head: ink on its sides, paper in its middle.
            QVERIFY(qGray(Shot.pixel(Centre.x() - 6, Centre.y())) < 128);
            QVERIFY(qGray(Shot.pixel(Centre.x() + 6, Centre.y())) < 128);
        }
        // The newest chord (G major's V, D major) is the highlighted one; a new one moves it.
        const QPoint Newest = View.NoteCentre(4, 0);
        QVERIFY(Newest.x() < View.viewport()->width());
        const QColor Highlight(200, 220, 255);
        QCOMPARE(QColor(Shot.pixel(Newest.x() + 20, TScoreView::StaffLineY(1, 0) - 10)), Highlight);
        Key(Memo(), Qt::Key_1);
        QTRY_COMPARE(View.MeasureCount(), 6);
        QTRY_COMPARE(QColor(View.viewport()->grab().toImage().pixel(
                         View.NoteCentre(5, 0).x() + 20, TScoreView::StaffLineY(1, 0) - 10)),
                     Highlight);
        // Home and another first chord: the score is laid out again from the chord that changed.
        Key(Memo(), Qt::Key_Home);
        Key(Memo(), Qt::Key_5);
        QTRY_COMPARE(View.MeasureCount(), 1);
        QTRY_COMPARE(View.NoteCentre(0, 0).y(), TScoreView::StaffLineY(1, 4) - 4 * 4); // B4
        Key(Score, Qt::Key_Escape);
        QVERIFY(!Score->isVisible());
    }

    TScoreWindow& OpenScore() {
        Main->findChild<QAction*>(QStringLiteral("ActionShowScore"))->trigger();
        TScoreWindow* Found = nullptr;
        for (QWidget* Window : QApplication::topLevelWidgets()) {
            Found = Found != nullptr ? Found : dynamic_cast<TScoreWindow*>(Window);
        }
        return *Found;
    }
    // Whether measure Index is drawn as the one at the cursor.
    static bool Lit(TScoreView& View, int Index) {
        const QPoint At(View.NoteCentre(Index, 0).x() + 20, kTop - 10);
        return View.viewport()->grab().toImage().pixelColor(At) == QColor(200, 220, 255);
    }

    // Right of the main window, else below, left or above, as wide as the side allows down to
    // the least width; only a screen too small for both lets it cover the least of the main one.
    void ScoreWindowGoesBesideTheMainWindow() {
        const QRect Wide(0, 0, 1280, 800), Small(0, 0, 800, 600);
        const std::tuple<QPoint, QRect, QRect> Cases[] = {
            {{0, 0}, Wide, {517, 0, 644, 330}},        // right
            {{700, 0}, Wide, {636, 283, 644, 330}},    // below, moved onto the screen
            {{700, 500}, Wide, {56, 470, 644, 330}},   // left, moved up onto the screen
            {{300, 500}, Wide, {300, 170, 644, 330}},  // above
            {{500, 300}, Wide, {1017, 300, 263, 330}}, // right, narrowed
            {{140, 160}, Small, {556, 160, 244, 330}}, // nowhere clear: right covers least
        };
        for (const auto& [MainAt, Screen, Want] : Cases) {
            QCOMPARE(FrameBeside({MainAt, QSize(517, 283)}, Screen, {644, 330}, {244, 330}), Want);
        }
        const QList<QRect> Screens = {Wide, {1280, 0, 1024, 768}};
        QVERIFY(MayStay({1300, 10, 644, 330}, {0, 0, 517, 283}, Screens));
        QVERIFY(!MayStay({400, 10, 644, 330}, {0, 0, 517, 283}, Screens));  // over the main one
        QVERIFY(!MayStay({1000, 10, 644, 330}, {0, 0, 517, 283}, Screens)); // across two screens
    }

    // Opened while the user plays, 「譜表」 goes beside the main window, which keeps the
    // keyboard, with the chord at the cursor highlighted and in view: after Space too, and
    // narrowed; after Home none, the view back at the start. Clicked, it plays the keys typed
    // into it as the main window does, releases included. It keeps its size and place.
    void ScoreWindowWorksBesideTheMainWindow() {
        QTest::keyClicks(Memo(), QStringLiteral("55555555555514"), Qt::NoModifier, 1);
        TScoreWindow& Score = OpenScore();
        TScoreView& View = Score.View();
        QVERIFY(QTest::qWaitForWindowExposed(&Score));
        QVERIFY(!Score.frameGeometry().intersects(Main->frameGeometry()) &&
                Main->screen()->availableGeometry().contains(Score.frameGeometry()));
        QVERIFY(Lit(View, 13));
        OpenScore(); // brought to the front
        // The offscreen platform gives the keyboard to every window it shows; a desktop need not.
        if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
            QVERIFY(!QTest::qWaitFor([&] { return Score.isActiveWindow(); }, 500));
            QCOMPARE(QApplication::focusWidget(), Memo());
        }
        Key(nullptr, Qt::Key_C); // to whatever has the keyboard
        Key(Memo(), Qt::Key_Space);
        QVERIFY(Lit(View, 14));
        Score.resize(Score.minimumSize());
        QTRY_VERIFY(Lit(View, 14));
        Key(Memo(), Qt::Key_Home);
        QCOMPARE(View.horizontalScrollBar()->value(), 0);
        QVERIFY(!Lit(View, 0));

        const auto Play = [this](QWidget* Target) {
            QTest::mouseClick(Control<QPushButton>("ButtonInit"), Qt::LeftButton);
            QTest::keyPress(Target, Qt::Key_Down);
            Key(Target, Qt::Key_6);
            QTest::keyRelease(Target, Qt::Key_Down);
            Key(Target, Qt::Key_Up, Qt::ControlModifier);
            QTest::keyClicks(Target, QStringLiteral("6c 2"), Qt::NoModifier, 1);
            return Memo()->Text() + QString::number(Main->Model().GetHeldArrow());
        };
        const QString InMain = Play(Memo());
        QCOMPARE(Play(&Score), InMain);
        // Esc closes it; the next run opens it where and as wide as it was left.
        Score.move(0, 0); // where it may stay: see MayStay above
        const QSize Narrowed = Score.size();
        Key(&Score, Qt::Key_Escape);
        Main.reset();
        Main = std::make_unique<TFormMain>(*Backend, *Help, *Example);
        Main->show();
        QVERIFY(QTest::qWaitForWindowExposed(Main.get()));
        QCOMPARE(OpenScore().size(), Narrowed);
        QCOMPARE(OpenScore().pos(), QPoint(0, 0));
    }

    // A new key with the signature of the one before (c♯ minor to E major) keeps it: no
    // sharps again, only the label; a new signature takes its room.
    void SignatureRedrawnOnlyWhereItChanges() {
        const auto Apart = [](std::int32_t Before, std::int32_t After) {
            const auto View = ViewOf({Measure(Before, kPlain), Measure(After, kPlain)});
            return View->NoteCentre(1, 0).x() - View->NoteCentre(0, 0).x();
        };
        const auto Plain = ViewOf({Measure(4, kPlain), Measure(4, kPlain, false)});
        const int Width = Plain->NoteCentre(1, 0).x() - Plain->NoteCentre(0, 0).x();
        QCOMPARE(Apart(4, 4), Width);
        QVERIFY(Apart(4, 3) > Width);
    }

    // The G clef's curl wraps the second line, two thirds down the clef; the F clef's dots stand
    // either side of the fourth. The signature's sharps F C G D A E B and flats B E A D G C F
    // stand each on its line or space, on the bass staff two octaves lower.
    void MarginHasTheClefsAndTheSignatureOnTheirLines() {
        const int Start = ViewOf({Measure(0, kPlain)})->MarginRight();
        const int Middle = TScoreView::StaffLineY(1, 4) + 2 * kGap;
        for (const std::int32_t Fifths : {7, -7}) {
            const auto View = ViewOf({Measure(Fifths, kPlain)});
            const QImage Image = View->viewport()->grab().toImage();
            int Left = 0; // the system line: the first column inked from the top line to the bottom
            for (int Y = kTop; Y <= TScoreView::StaffLineY(2, 4);
                 Y = Dark(Image, Left, Y) > kInk ? Y + 1 : (++Left, kTop)) {
            }
            // The clefs end a little before the signature.
            const QRect G = InkBox(Image, QRect(Left + 1, 0, Start - kGap / 2 - Left, Middle));
            const double Down = (TScoreView::StaffLineY(1, 3) + 0.5 - G.top()) / G.height();
            QVERIFY(Down > 0.62 && Down < 0.7 && G.top() < kTop - kGap);
            const QRect F = InkBox(Image, QRect(Left + 1, Middle, Start - kGap / 2 - Left, 64));
            const int FLine = TScoreView::StaffLineY(2, 1);
            const QRect Dots = InkBox(Image, QRect(F.right() - 2, F.top(), 3, F.height()));
            QVERIFY(Dots.top() > FLine - kGap && Dots.top() < FLine && Dots.bottom() > FLine &&
                    Dots.bottom() < FLine + kGap);
            const TMusicGlyph Glyph = Fifths > 0 ? mgSharp : mgFlat;
            const double Advance = View->Font().Advance(Glyph);
            for (int k = 0; k < 14; ++k) {
                const char* High = (Fifths > 0 ? "F5C5G5D5A4E5B4" : "B4E5A4D5G4C5F4") + k % 7 * 2;
                const char Note[] = {High[0], static_cast<char>(High[1] - k / 7 * 2), 0};
                const double X = Start + k % 7 * (Advance + 0.2 * kGap);
                const int Row = RowOf(Note, k / 7 + 1);
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

    // A head's ink is centred on its line or space to a quarter of a pixel; ledger lines stand
    // on the lines' heights from the staff out to it, a little wider than the head.
    void HeadsSitOnTheirLinesAndSpacesWithTheirLedgerLines() {
        const std::tuple<const char*, int, int> Cases[] = {
            // the note, its voice (the upper of its staff when high), its ledger lines
            {"A3", 1, 2}, {"B3", 1, 1}, {"C4", 1, 1}, {"D4", 1, 0}, {"A4", 1, 0},
            {"G5", 0, 0}, {"A5", 0, 1}, {"B5", 0, 1}, {"C6", 0, 2}, {"E2", 3, 1},
            {"F2", 3, 0}, {"B3", 2, 0}, {"C4", 2, 1}, {"F4", 2, 2}};
        for (const auto& [Note, Voice, Ledgers] : Cases) {
            const int Row = RowOf(Note, Voice / 2 + 1);
            TParts Parts = kPlain; // the other voice of the staff out of the way
            Parts[Voice].Step = (TScoreView::StaffLineY(Voice / 2 + 1, 4) - Row) * 2 / kGap;
            Parts[Voice ^ 1].Step = Voice % 2 ? 8 : 0;
            const auto View = ViewOf({Measure(0, Parts)});
            const QImage Image = View->viewport()->grab().toImage();
            const int Left =
                View->NoteCentre(0, Voice).x() - qRound(View->Font().Advance(mgWholeHead) / 2);
            // The ink's centre, without the rows a line touches (grey left of the head) or mirrors.
            const auto Line = [&](int Y) { return StaffRow(Y) || Dark(Image, Left - 2, Y) > 5; };
            double Mass = 0, Moment = 0;
            for (int Y = Row - 6; Y <= Row + 6; ++Y) {
                for (int X = Left; X < Left + 2 * kGap && !Line(Y) && !Line(2 * Row - Y); ++X) {
                    Mass += Dark(Image, X, Y);
                    Moment += Dark(Image, X, Y) * (Y + 0.5 - Row);
                }
            }
            const QRect Ledger = InkBox(Image, QRect(Left - 2, 0, 1, Image.height()));
            QVERIFY2(std::abs(Moment / Mass - 0.5) <= 0.25 &&
                         Ledger.height() == std::max(Ledgers * kGap - kGap + 1, 0) &&
                         (Ledger.top() - kTop) % kGap == 0 &&
                         !InkBox(Image, QRect(Left - 4, 0, 1, Image.height())).isValid(),
                     Note);
        }
    }

    // Accidentals stand left of the heads, the upper voice's nearest, side by side where they
    // would touch; the lower head of a second or unison goes right, a unison takes one sign.
    void AccidentalsStandLeftOfTheChord() {
        const std::tuple<const char*, int, TPart, TPart, bool, bool> Cases[] = {
            // the soprano or the tenor (Upper), the voice below it, shifted, staggered
            {"third, sharps", 0, {5, 1}, {3, 1}, false, true},
            {"sixth, sharps", 0, {5, 1}, {0, 1}, false, true},
            {"seventh, sharps", 0, {5, 1}, {-1, 1}, false, false},
            {"sixth, flats", 0, {5, -1}, {0, -1}, false, false},
            {"second", 0, {4, 0}, {3, 1}, true, true},
            {"third on the bass staff", 2, {9, -2}, {7, 2}, false, true},
            {"unison", 2, {6, 1}, {6, 1}, true, false},
        };
        for (const auto& [Name, Upper, High, Low, Shifted, Staggered] : Cases) {
            TParts Parts = kPlain;
            Parts[Upper] = High;
            Parts[Upper + 1] = Low;
            const auto View = ViewOf({Measure(0, Parts)});
            const QImage Image = View->viewport()->grab().toImage();
            const double Head = View->Font().Advance(mgWholeHead);
            const QPoint Centre = View->NoteCentre(0, Upper);
            const QRectF Near = View->AccidentalBox(0, Upper);
            const QRectF Far = View->AccidentalBox(0, Upper + 1);
            QCOMPARE(View->NoteCentre(0, Upper + 1).x() - Centre.x(), Shifted ? qRound(Head) : 0);
            // Drawn where laid out, left of the heads; the lower voice's unless in unison.
            QVERIFY2(InkBox(Image, Near.toRect()).isValid() &&
                         Near.right() <= Centre.x() - Head / 2 - 1 &&
                         InkBox(Image, Far.toRect()).isValid() != (High.Step == Low.Step),
                     Name);
            QVERIFY2(Far.isEmpty() ||
                         (Staggered ? Far.right() < Near.left() : Far.right() == Near.right()),
                     Name);
        }
    }

    // Scrolled anywhere, the margin is a system's start in one of the keys (the last at the end,
    // a measure's own when brought into view), no glyph of a measure in it. Keys outlast a view.
    void MarginKeepsTheClefsAndTheSignatureInForce() {
        const TParts Busy = {{{11, 1}, {-3, -1}, {13, 0}, {-2, 2}}};
        const auto Margin = [](TScoreView& View) {
            const QRect Staves(0, kTop - 2 * kGap, View.MarginRight(), 19 * kGap);
            return View.viewport()->grab(Staves).toImage();
        };
        std::vector<TScoreMeasure> Measures;
        QList<QImage> Starts; // of each key
        for (const std::int32_t Fifths : {0, 2, -3, 4, 0}) {
            for (int i = 0; i < 8; ++i) {
                Measures.push_back(Measure(Fifths, i % 2 ? Busy : kPlain, i == 0));
            }
            Starts << Margin(*ViewOf({Measure(Fifths, Busy)}));
        }
        const auto View = ViewOf(Measures);
        QScrollBar* Bar = View->horizontalScrollBar();
        for (int Scroll = 0; Scroll <= Bar->maximum(); Scroll += 5) {
            Bar->setValue(Scroll);
            QVERIFY2(Starts.contains(Margin(*View)), qPrintable(QString::number(Scroll)));
        }
        for (const int At : {39, 31, 24, 23, 16, 15, 8, 7, 0}) {
            View->SetCurrent(At);
            QCOMPARE(Margin(*View), Starts[At / 8]);
        }
    }

    void MainWindowLooksAsDesigned() {
        QCOMPARE(Main->windowTitle(), QStringLiteral("カデンツォ Ver 1.00"));
        QCOMPARE(Main->size(), QSize(513, 255));
        QCOMPARE(Main->minimumSize(), Main->maximumSize());
        QCOMPARE(Main->palette().color(QPalette::Window), QColor(255, 255, 224));
        const struct {
            const char* Name;
            QRect Geometry;
            const char* Caption;
        } Buttons[] = {
            {"ButtonHelp", {440, 8, 65, 25}, "操作方法"},
            {"ButtonVoiceNo", {72, 96, 65, 25}, "楽器選択"},
            {"ButtonExample", {352, 8, 65, 25}, "使用例"},
            {"ButtonSoundOff", {352, 94, 65, 25}, "発音停止"},
            {"ButtonInit", {440, 94, 65, 25}, "初期化"},
            {"ButtonRead", {272, 224, 65, 25}, "読込み"},
            {"ButtonWrite", {352, 224, 65, 25}, "書出し"},
            {"ButtonClose", {440, 224, 65, 25}, "閉じる"},
        };
        for (const auto& Button : Buttons) {
            QPushButton* Found = Control<QPushButton>(Button.Name);
            QVERIFY2(Found != nullptr, Button.Name);
            QCOMPARE(Found->geometry(), Button.Geometry);
            QCOMPARE(Found->text(), QString::fromUtf8(Button.Caption));
        }
        QCOMPARE(Control<QListWidget>("ListBoxDevs")->geometry(), QRect(8, 40, 497, 49));
        QCOMPARE(Control<QLineEdit>("EditVoiceNo")->geometry(), QRect(8, 96, 57, 20));
        QCOMPARE(Control<QLineEdit>("EditVoiceNo")->text(), QStringLiteral("49"));
        QCOMPARE(Memo()->geometry(), QRect(8, 128, 497, 89));
        QCOMPARE(Memo()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(Control<QListWidget>("ListBoxDevs")->count(), 2);
        QCOMPARE(Control<QListWidget>("ListBoxDevs")->item(1)->text(),
                 QStringLiteral("Recorder 1"));
        QCOMPARE(Memo()->Text(), QStringLiteral("\n\n\nＣ: \n"));
        QCOMPARE(Memo()->font().pixelSize(), 12);
        QVERIFY(Memo()->hasFocus());
    }

    // The desktop lists the program's only main window like any other: a normal window with the
    // program's icon, still of fixed size with no maximise button.
    void MainWindowIsANormalWindowWithTheIcon() {
        QCOMPARE(Main->windowType(), Qt::Window);
        QVERIFY(!(Main->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!Main->windowIcon().pixmap(48, 48).isNull());
        QCOMPARE(Help->windowType(), Qt::Dialog);
    }

    // A device that does not open is reported and no longer shown as chosen.
    void ADeviceThatFailsToOpenIsNotLeftSelected() {
        auto* List = Control<QListWidget>("ListBoxDevs");
        QCOMPARE(List->currentRow(), 0);
        Backend->FailToOpen(1);
        AnswerNextDialog([](QWidget* Dialog) { Dialog->close(); });
        QTest::mouseClick(List->viewport(), Qt::LeftButton, {},
                          List->visualItemRect(List->item(1)).center());
        QCOMPARE(List->currentRow(), -1);
        QVERIFY(List->selectedItems().isEmpty());
        QTest::mouseClick(List->viewport(), Qt::LeftButton, {},
                          List->visualItemRect(List->item(0)).center());
        QCOMPARE(List->currentRow(), 0);
    }

    void TabVisitsTheControlsInOrder() {
        const char* Order[] = {"ButtonHelp",    "ListBoxDevs",    "EditVoiceNo", "ButtonVoiceNo",
                               "ButtonExample", "ButtonSoundOff", "MemoChord",   "ButtonInit",
                               "ButtonRead",    "ButtonWrite",    "ButtonClose"};
        Control<QWidget>("ButtonHelp")->setFocus();
        for (const char* Name : Order) {
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromUtf8(Name));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("ButtonHelp"));
    }

    void KeysPlayChordsEverywhereButInTheProgramField() {
        const char* Controls[] = {"MemoChord",     "ButtonHelp",     "ListBoxDevs", "ButtonVoiceNo",
                                  "ButtonExample", "ButtonSoundOff", "ButtonInit",  "ButtonRead",
                                  "ButtonWrite",   "ButtonClose"};
        int Placed = 0;
        for (const char* Name : Controls) {
            QWidget* Target = Control<QWidget>(Name);
            Target->setFocus();
            Backend->ClearEvents();
            Key(Target, Qt::Key_5);
            ++Placed;
            QCOMPARE(NoteOns(*Backend), 11);
            QCOMPARE(Main->Model().GetProgression().size(), static_cast<std::size_t>(Placed));
            // Enter and Space went to the commands, not to the button.
            Key(Target, Qt::Key_Space);
            Key(Target, Qt::Key_Return);
            QVERIFY(!Help->isVisible() && !Example->isVisible());
        }
        QVERIFY(Main->isVisible());

        QLineEdit* Field = Control<QLineEdit>("EditVoiceNo");
        Field->setFocus();
        Backend->ClearEvents();
        Key(Field, Qt::Key_7);
        Key(Field, Qt::Key_A);
        QCOMPARE(Field->text(), QStringLiteral("497a"));
        QCOMPARE(NoteOns(*Backend), 0);
        QCOMPARE(Main->Model().GetProgression().size(), static_cast<std::size_t>(Placed));
    }

    void ShiftedAndKeypadOnesAreDegreeOne() {
        Key(Memo(), Qt::Key_Exclam, Qt::ShiftModifier);
        Key(Memo(), Qt::Key_1, Qt::KeypadModifier);
        Key(Memo(), Qt::Key_End, Qt::KeypadModifier);
        const auto& Entries = Main->Model().GetProgression();
        QCOMPARE(Entries.size(), std::size_t{3});
        for (const auto& Entry : Entries) {
            QCOMPARE(Entry.Degree, 1);
        }
    }

    void HeldArrowsFollowPressAndRelease() {
        QTest::keyPress(Memo(), Qt::Key_Down);
        QCOMPARE(Main->Model().GetHeldArrow(), std::uint16_t{40});
        Key(Memo(), Qt::Key_6);
        QTest::keyRelease(Memo(), Qt::Key_Down);
        QTest::qWait(5);
        QCOMPARE(Main->Model().GetHeldArrow(), std::uint16_t{0});
        Key(Memo(), Qt::Key_A, Qt::AltModifier);
        QCOMPARE(Main->Model().GetProgression().front().Variant, TChordVariant{1}); // A♭, oⅥ
        QCOMPARE(Memo()->LineText(1), QStringLiteral("     Ａ♭   Ａｍ"));
    }

    // X11 reports auto-repeat as a release and a press of the same key at the same moment.
    void ARepeatPairKeepsTheArrowHeldAndTheRealReleaseLetsGo() {
        auto Send = [this](QEvent::Type Type, quint64 Time) {
            QKeyEvent Event(Type, Qt::Key_Down, Qt::NoModifier, 116, 0, 0);
            Event.setTimestamp(Time);
            QApplication::sendEvent(Memo(), &Event);
        };
        Send(QEvent::KeyPress, 100);
        Send(QEvent::KeyRelease, 200);
        Send(QEvent::KeyPress, 200);
        QTest::qWait(5);
        QCOMPARE(Main->Model().GetHeldArrow(), std::uint16_t{40});
        Send(QEvent::KeyRelease, 300);
        QTest::qWait(5);
        QCOMPARE(Main->Model().GetHeldArrow(), std::uint16_t{0});
    }

    void EscClosesEachReferenceWindowFromItsTextOrButton() {
        for (TReferenceWindow* Window : {static_cast<TReferenceWindow*>(Help.get()),
                                         static_cast<TReferenceWindow*>(Example.get())}) {
            for (const char* Name : {"MemoManual", "ButtonClose"}) {
                Window->ShowInFront();
                QVERIFY(Window->isVisible());
                QTest::keyClick(Window->findChild<QWidget*>(QString::fromUtf8(Name)),
                                Qt::Key_Escape);
                QVERIFY(!Window->isVisible());
            }
        }
        // In the main window Esc is no command.
        Key(Memo(), Qt::Key_Escape);
        QVERIFY(Main->isVisible());
        QVERIFY(Main->Model().GetProgression().empty());
    }

    // Keys typed while the window is on the screen but not yet ready are played once it is.
    void KeysBeforeTheWindowIsReadyAreNotLost() {
        Main.reset();
        Backend->ClearEvents();
        Main = std::make_unique<TFormMain>(*Backend, *Help, *Example);
        Main->show();
        QVERIFY(!Main->IsReady());
        QTest::keyClick(Memo(), Qt::Key_1);
        QTest::keyClick(Memo(), Qt::Key_5);
        QVERIFY(Main->Model().GetProgression().empty());
        QTRY_VERIFY(Main->IsReady());
        QTRY_COMPARE(Main->Model().GetProgression().size(), std::size_t{2});
        QCOMPARE(Memo()->LineText(1), QStringLiteral("     Ｃ     Ｇ"));
        QCOMPARE(NoteOns(*Backend), 22);
    }

    void HelpButtonShowsOneWindowAndRaisesItAgain() {
        QPushButton* Button = Control<QPushButton>("ButtonHelp");
        QTest::mouseClick(Button, Qt::LeftButton);
        QVERIFY(Help->isVisible());
        QCOMPARE(Help->windowTitle(), QStringLiteral("操作方法"));
        QCOMPARE(Help->size(), QSize(545, 433));
        QVERIFY(Memo()->hasFocus());
        Main->activateWindow();
        QTest::mouseClick(Button, Qt::LeftButton);
        QVERIFY(Help->isVisible());
        QCOMPARE(QApplication::topLevelWidgets().count(Help.get()), 1);
        QTest::mouseClick(Control<QPushButton>("ButtonExample"), Qt::LeftButton);
        QVERIFY(Example->isVisible());
        QCOMPARE(Example->windowTitle(), QStringLiteral("使用例"));
        QCOMPARE(Example->size(), QSize(540, 429));
        QCOMPARE(Example->palette().color(QPalette::Window), QColor(255, 224, 224));
        QTest::mouseClick(Help->findChild<QPushButton*>("ButtonClose"), Qt::LeftButton);
        QVERIFY(!Help->isVisible());
    }

    void ReferenceTextsAreComplete() {
        Help->ShowInFront();
        Example->ShowInFront();
        const QStringList HelpLines =
            Help->findChild<QTextEdit*>("MemoManual")->toPlainText().split('\n');
        QCOMPARE(HelpLines.size(), 31);
        QCOMPARE(HelpLines[0], QStringLiteral("調の指定"));
        QCOMPARE(HelpLines[13], QStringLiteral("    近親調のⅤへの進行（一時転調）"));
        QCOMPARE(HelpLines[14],
                 QStringLiteral("　　　Ｉ～Ⅶを長和音に変えたものを後続調のⅤとみなしてそれに進行 "
                                "‥‥ Ctrl + Alt + 1～7"));
        QCOMPARE(HelpLines[30], QStringLiteral("　次の和音を再現 ‥‥ Enterキー"));
        const QStringList ExampleTexts =
            Example->findChild<QTextEdit*>("MemoManual")->toPlainText().split('\n');
        QCOMPARE(ExampleTexts.size(), 119);
        QCOMPARE(ExampleTexts.count(QString()), 14);
        QCOMPARE(ExampleTexts[7],
                 QStringLiteral(
                     "  (1) Ctrlキーを押しながら↑キーを押す（５度上の調（ト長調）に変わる）"));
        QCOMPARE(ExampleTexts[118],
                 QStringLiteral("　(7) スペースキーを押す（Ｆ Ｂ♭ が Ｂ♭:Ⅴ Ｉ と解釈される）"));
        QCOMPARE(Help->findChild<QTextEdit*>("MemoManual")->verticalScrollBarPolicy(),
                 Qt::ScrollBarAlwaysOff);
        // Without a scroll bar the whole key reference must fit, each line on one row.
        Help->ShowInFront();
        QTextEdit* Reference = Help->findChild<QTextEdit*>("MemoManual");
        QVERIFY(Reference->document()->size().height() <= Reference->viewport()->height());
        QCOMPARE(Reference->document()->documentLayout()->documentSize().height(), 31 * 12 + 4.0);
        QCOMPARE(Example->findChild<QTextEdit*>("MemoManual")->verticalScrollBarPolicy(),
                 Qt::ScrollBarAlwaysOn);
    }

    void FileButtonsAskForANameAndHonourCancel() {
        const QString Path = QDir::temp().filePath(QStringLiteral("kadenzo-ui-test.txt"));
        QFile::remove(Path);
        Key(Memo(), Qt::Key_1);
        Key(Memo(), Qt::Key_4);
        AnswerNextDialog([Path](QWidget* Dialog) {
            auto* Query = qobject_cast<QInputDialog*>(Dialog);
            QVERIFY(Query != nullptr);
            QCOMPARE(Query->windowTitle(), QStringLiteral("コード進行書出し"));
            QCOMPARE(Query->findChild<QLineEdit*>()->maxLength(), 255);
            ExpectPlainDialog(*Query);
            QVERIFY(!Query->findChild<QLabel*>()->isVisible()); // no empty prompt band
            Query->setTextValue(Path);
            Query->accept();
        });
        QTest::mouseClick(Control<QPushButton>("ButtonWrite"), Qt::LeftButton);
        std::ifstream File(Path.toStdString(), std::ios::binary);
        QCOMPARE(std::string(std::istreambuf_iterator<char>(File), {}),
                 std::string("C 0010\r\nC 0040\r\n"));

        QTest::mouseClick(Control<QPushButton>("ButtonInit"), Qt::LeftButton);
        AnswerNextDialog([](QWidget* Dialog) { static_cast<QDialog*>(Dialog)->reject(); });
        QTest::mouseClick(Control<QPushButton>("ButtonRead"), Qt::LeftButton);
        QVERIFY(Main->Model().GetProgression().empty());

        AnswerNextDialog([Path](QWidget* Dialog) {
            QCOMPARE(Dialog->windowTitle(), QStringLiteral("コード進行読込み"));
            auto* Query = qobject_cast<QInputDialog*>(Dialog);
            Query->setTextValue(Path);
            Query->accept();
        });
        QTest::mouseClick(Control<QPushButton>("ButtonRead"), Qt::LeftButton);
        QCOMPARE(Main->Model().GetProgression().size(), std::size_t{2});

        // A name that does not exist: the error box.
        AnswerNextDialog([Path](QWidget* Dialog) {
            static_cast<QInputDialog*>(Dialog)->setTextValue(Path + QStringLiteral(".absent"));
            static_cast<QInputDialog*>(Dialog)->accept();
            AnswerNextDialog([](QWidget* Box) {
                auto* Message = qobject_cast<QMessageBox*>(Box);
                QVERIFY(Message != nullptr);
                QCOMPARE(Message->windowTitle(), QStringLiteral("エラー"));
                QCOMPARE(Message->icon(), QMessageBox::Critical);
                ExpectPlainDialog(*Message);
                QCOMPARE(Message->text(),
                         QStringLiteral("コード進行の読込みでエラーが発生しました。"));
                Message->accept();
            });
        });
        QTest::mouseClick(Control<QPushButton>("ButtonRead"), Qt::LeftButton);
        QCOMPARE(Main->Model().GetProgression().size(), std::size_t{2});
        QFile::remove(Path);
    }

    void AProgramNumberThatIsNoIntegerIsReported() {
        Control<QLineEdit>("EditVoiceNo")->setText(QStringLiteral("49a"));
        Backend->ClearEvents();
        QString Shown;
        AnswerNextDialog([&Shown](QWidget* Box) {
            Shown = qobject_cast<QMessageBox*>(Box)->text();
            static_cast<QDialog*>(Box)->accept();
        });
        QTest::mouseClick(Control<QPushButton>("ButtonVoiceNo"), Qt::LeftButton);
        QCOMPARE(Shown, QStringLiteral("'49a' は整数ではありません"));
        QCOMPARE(Backend->MessagesTo(0), std::vector<std::uint32_t>{AllNotesOffMessage});
    }

    // Every key is a command, so the display scrolls itself: the newest chord stays in view.
    void TheNewestChordStaysInViewAndHomeReturnsToTheStart() {
        const Qt::Key Digits[] = {Qt::Key_1, Qt::Key_4, Qt::Key_5, Qt::Key_1};
        for (int i = 0; i < 40; ++i) {
            Key(Memo(), Digits[i % 4]);
        }
        const QRect View = Memo()->viewport()->rect();
        const int NewestName = static_cast<int>(Main->Model().Lines().Width(1)) - 2;
        QVERIFY(View.contains(Memo()->CellRect(1, NewestName)));
        QVERIFY(View.contains(Memo()->CellRect(3, NewestName + 1))); // its numeral Ⅰ
        QVERIFY(!View.contains(Memo()->CellRect(1, 5)));             // the first chord
        // A label may reach further than the chord names: C read as o-Ⅱ of B major.
        for (int i = 0; i < 5; ++i) {
            QTest::keyPress(Memo(), Qt::Key_Up, Qt::ControlModifier);
            QTest::keyRelease(Memo(), Qt::Key_Up, Qt::ControlModifier);
        }
        Key(Memo(), Qt::Key_2, Qt::AltModifier);
        const auto& Lines = Main->Model().Lines();
        const int LabelLine = Main->Model().GetLabelLine();
        QVERIFY(Lines.Width(LabelLine) > Lines.Width(1));
        QVERIFY(View.contains(
            Memo()->CellRect(LabelLine, static_cast<int>(Lines.Width(LabelLine)) - 1)));
        Key(Memo(), Qt::Key_Home);
        QVERIFY(View.contains(Memo()->CellRect(3, 0)));
        Key(Memo(), Qt::Key_Return);
        QVERIFY(View.contains(Memo()->CellRect(1, 5)));
    }

    // A drag selects from one boundary between characters to another, across lines, and a
    // point inside a full-width character takes the nearer of its two edges.
    void TheMouseSelectsTheDisplaysText() {
        Key(Memo(), Qt::Key_1);
        Key(Memo(), Qt::Key_4);
        QWidget* View = Memo()->viewport();
        const QPoint From = Memo()->CellRect(1, 5).topLeft() + QPoint(0, 2);
        const QPoint To = Memo()->CellRect(3, 6).topLeft() + QPoint(-1, 2); // left half of Ⅰ
        QTest::mousePress(View, Qt::LeftButton, Qt::NoModifier, From);
        QTest::mouseMove(View, To);
        QTest::mouseRelease(View, Qt::LeftButton, Qt::NoModifier, To);
        QCOMPARE(Memo()->SelectedText(), QStringLiteral("Ｃ     Ｆ\n\nＣ:  "));
        // Highlighted are the selected cells, up to and not including Ⅰ.
        const QImage Shown = View->grab().toImage();
        const QColor Highlight = Memo()->palette().color(QPalette::Highlight);
        auto Lit = [&](int Line, int Column) {
            return Shown.pixelColor(Memo()->CellRect(Line, Column).center()) == Highlight;
        };
        QVERIFY(Lit(1, 4 + 6) && Lit(3, 4) && !Lit(1, 4) && !Lit(3, 5) && !Lit(3, 6));
        QTest::mouseClick(View, Qt::LeftButton, Qt::NoModifier, From);
        QCOMPARE(Memo()->SelectedText(), QString());
        Memo()->SelectAll();
        QCOMPARE(Memo()->SelectedText(), Memo()->Text());
        // The keys still play: the display takes none of them for itself.
        Key(Memo(), Qt::Key_5);
        QCOMPARE(Main->Model().GetProgression().size(), std::size_t{3});
    }

    // The display's font is the first family in which every character the display holds takes
    // its columns: proportional fonts, fonts without the Japanese characters and fonts not
    // installed are passed over.
    void TheDisplayFontKeepsEveryCharacterInItsColumns() {
        const std::string Characters = DisplayedCharacters();
        const struct {
            QStringList Families;
            std::optional<QString> Found;
        } Cases[] = {
            {{"No Such Family", "IPAPMincho", "FreeMono", "DejaVu Sans", "IPAMincho"},
             QStringLiteral("IPAMincho")},
            {{"FreeMono", "DejaVu Sans Mono", "IPAPMincho"}, std::nullopt},
            {{"FreeMono"}, std::nullopt},
        };
        for (const auto& Case : Cases) {
            QCOMPARE(FindCellFamily(Case.Families, Characters), Case.Found);
        }
        // FreeMono keeps Latin cells but has no full-width letters: a monospaced Latin text
        // alone passes.
        QCOMPARE(FindCellFamily({"FreeMono"}, " :o+-5"), std::optional<QString>("FreeMono"));
        // A family that is not installed is not the monospaced font that stands in for it.
        QCOMPARE(FindCellFamily({"No Such Family"}, " :o+-5"), std::nullopt);
        QCOMPARE(KadenzoFont().family(), QStringLiteral("IPAMincho"));
        QCOMPARE(Memo()->font().family(), QStringLiteral("IPAMincho"));
    }

    // After 1 4 5 1, Ctrl+Up, 1 5 every chord name's ink starts where its numeral's does.
    void ChordNamesStandOverTheirNumerals() {
        for (Qt::Key Digit : {Qt::Key_1, Qt::Key_4, Qt::Key_5, Qt::Key_1}) {
            Key(Memo(), Digit);
        }
        QTest::keyPress(Memo(), Qt::Key_Up, Qt::ControlModifier);
        QTest::keyRelease(Memo(), Qt::Key_Up, Qt::ControlModifier);
        Key(Memo(), Qt::Key_1);
        Key(Memo(), Qt::Key_5);
        QApplication::processEvents();

        const QImage Image = Memo()->viewport()->grab().toImage();
        auto Band = [this](int Line) {
            const QRect Box = Memo()->CellRect(Line, 0);
            return std::make_pair(Box.top(), Box.bottom() + 1);
        };
        auto Starts = [&](int Block) {
            const auto [Top, Bottom] = Band(Block);
            return InkStarts(Image, Top, Bottom, 0, Image.width());
        };
        // Where each glyph's cell begins: its first ink less the glyph's own left bearing.
        const QFontMetricsF Metrics(Memo()->font());
        auto Origins = [&](const QList<int>& Inks, const QString& Glyphs) {
            QList<double> Cells;
            for (int i = 0; i < Inks.size() && i < Glyphs.size(); ++i) {
                Cells << Inks[i] - Metrics.boundingRect(Glyphs[i]).left();
            }
            return Cells;
        };
        const QList<double> Names = Origins(Starts(1), QStringLiteral("ＣＦＧＣＧＤ"));
        const QList<double> InC = Origins(Starts(3).mid(2), QStringLiteral("ⅠⅣⅤⅠ"));
        const QList<double> InG = Origins(Starts(4).mid(2), QStringLiteral("ⅠⅤ"));
        const QList<double> Numerals = InC + InG;
        QCOMPARE(Names.size(), 6);
        QCOMPARE(Numerals.size(), 6);
        for (int i = 0; i < Names.size(); ++i) {
            QVERIFY2(std::abs(Names[i] - Numerals[i]) <= 1.5,
                     qPrintable(QStringLiteral("chord %1: name cell at %2, numeral cell at %3")
                                    .arg(i + 1)
                                    .arg(Names[i])
                                    .arg(Numerals[i])));
        }
    }

    // Last: Qt's own texts, the file dialog's and a text field's edit menu, in Japanese.
    void QtsOwnTextsAreJapanese() {
        InstallQtJapanese(*QCoreApplication::instance());
        QVERIFY(QCoreApplication::translate("QFileDialog", "Look in:") != "Look in:");
        QVERIFY(QCoreApplication::translate("QLineEdit", "&Undo") != "&Undo");
    }
};

QTEST_MAIN(TWindowsTest)
#include "form_main_test.moc"
