// The same keys on a US and a Japanese (JIS) keyboard layout give the same commands: real key
// presses through the X server (xdotool, XTest) into the real window on the xcb platform, run
// under xvfb-run. On JIS, Shift+2 is '"' and Shift+6 '&', where US has '@' and '^'.
#include "midi/recording_backend.h"
#include "ui/kadenzo00.h"
#include "ui/kadenzo50.h"
#include "ui/kadenzo60.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>

#include <memory>

namespace {

// Degrees plain and with Shift, Ctrl and Alt, the keypad, arrows: one of each kind of command.
const QStringList kKeys = {"1",          "shift+2", "shift+6", "4",     "ctrl+Up", "KP_5",
                           "ctrl+alt+5", "shift+7", "Return",  "space", "shift+0", "1",
                           "ctrl+Down",  "5",       "shift+3", "alt+4", "1"};

struct TRun {
    std::vector<TRecordingBackend::TEvent> Events;
    std::string Lines;
};

bool Run(const QString& Program, const QStringList& Arguments) {
    return QProcess::execute(Program, Arguments) == 0;
}

} // namespace

class TKeyboardLayoutTest : public QObject {
    Q_OBJECT

    // Types kKeys into a fresh window under Layout: what the devices received and the display.
    void TypeUnder(const QString& Layout, TRun& Result) {
        QVERIFY(Run(QStringLiteral("setxkbmap"), {Layout}));
        TRecordingBackend Backend({"Recorder"});
        TFormHelp Help;
        TFormExample Example;
        TFormMain Main(Backend, Help, Example);
        Main.show();
        Main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Main));
        QTRY_VERIFY_WITH_TIMEOUT(Main.IsReady(), 5000);
        Backend.ClearEvents();
        QProcess Typist;
        Typist.start(
            QStringLiteral("xdotool"),
            QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")} +
                kKeys);
        QTRY_VERIFY_WITH_TIMEOUT(Typist.state() == QProcess::NotRunning, 20000);
        QTest::qWait(300);
        Result.Events = Backend.Events();
        const TDisplayLines& Lines = Main.Model().Lines();
        for (int Line = 0; Line < Lines.Count(); ++Line) {
            Result.Lines += Lines.Get(Line) + "\n";
        }
    }

private slots:
    void TheJapaneseLayoutGivesTheSameCommandsAsTheUsOne() {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QSKIP("needs the xcb platform (run under xvfb-run)");
        }
        TRun Us, Japanese;
        TypeUnder(QStringLiteral("us"), Us);
        TypeUnder(QStringLiteral("jp"), Japanese);
        Run(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
        int NoteOns = 0;
        for (const auto& Event : Us.Events) {
            NoteOns += Event.Kind == TRecordingBackend::TEventKind::Message &&
                       (Event.Message & 0xF0) == 0x90;
        }
        QVERIFY2(NoteOns >= 10 * 5, qPrintable(QString::number(NoteOns))); // every chord sounded
        QCOMPARE(Japanese.Lines, Us.Lines);
        QCOMPARE(Japanese.Events.size(), Us.Events.size());
        for (std::size_t i = 0; i < Us.Events.size(); ++i) {
            QCOMPARE(Japanese.Events[i].Message, Us.Events[i].Message);
        }
    }
};

int main(int Count, char** Arguments) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication Application(Count, Arguments);
    TKeyboardLayoutTest Test;
    return QTest::qExec(&Test, Count, Arguments);
}

#include "keyboard_layout_test.moc"
