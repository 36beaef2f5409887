// A dictation question as the student meets it, on Qt's offscreen platform with a recording
// device that notes when each message arrives: from the click on 「出題」 to the first note,
// and how far each beat of a 16-chord question (a teacher's lesson) falls from where the tempo
// puts it, reckoned from the first. Beside it the floor: how late the same precise Qt timer
// fires on its own, asked for the same beat.
// Usage: practice_timing [TEMPO]
#include "midi/recording_backend.h"
#include "progression/progression_file.h"
#include "ui/kadenzo00.h"
#include "ui/practice_window.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;
constexpr std::uint32_t kAllNotesOff = 0x7BB0;
constexpr int kQuestionChords = 16;
// The orientation's four chords and its rest, the question, the silence after it.
constexpr int kBeats = 4 + 1 + kQuestionChords + 1;

double Milliseconds(TClock::duration Span) {
    return std::chrono::duration<double, std::milli>(Span).count();
}

// How late a precise single-shot timer fires after the wait it was asked for, in turn.
std::vector<double> TimerLateness(int BeatMs, int Count) {
    std::vector<double> Late;
    QEventLoop Loop;
    TClock::time_point Asked;
    QTimer Timer;
    Timer.setSingleShot(true);
    Timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer, &QTimer::timeout, [&] {
        Late.push_back(Milliseconds(TClock::now() - Asked) - BeatMs);
        if (static_cast<int>(Late.size()) == Count) {
            Loop.quit();
            return;
        }
        Asked = TClock::now();
        Timer.start(BeatMs);
    });
    Asked = TClock::now();
    Timer.start(BeatMs);
    Loop.exec();
    return Late;
}

double Worst(const std::vector<double>& Values) {
    double Most = 0;
    for (const double Value : Values) {
        Most = std::max(Most, std::abs(Value));
    }
    return Most;
}

} // namespace

int main(int Count, char** Arguments) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication Application(Count, Arguments);
    const int Tempo = Count > 1 ? std::atoi(Arguments[1]) : 120;
    const int BeatMs = 60'000 / Tempo;

    QTemporaryDir Lesson;
    std::vector<TProgressionEntry> Question;
    const std::int32_t Walk[] = {1, 4, 5, 1, 6, 2, 5, 1, 4, 7, 1, 2, 5, 6, 5, 1};
    for (const std::int32_t Degree : Walk) {
        Question.push_back({{{'D', 0}, mdMajor}, Degree, cvNormal});
    }
    WriteProgressionFile(Lesson.filePath(QStringLiteral("q")).toStdString(), Question);
    QSettings Settings(QStringLiteral("Kadenzo"), QStringLiteral("Kadenzo"));
    Settings.setValue(QStringLiteral("practice/lesson"), Lesson.path());
    Settings.setValue(QStringLiteral("tempo"), Tempo);
    Settings.sync();

    TRecordingBackend Backend({"Recorder 0"});
    std::vector<TClock::time_point> Beats;
    std::optional<TClock::time_point> FirstNote;
    Backend.SetListener([&](const TRecordingBackend::TEvent& Event) {
        if (Event.Kind != TRecordingBackend::TEventKind::Message) {
            return;
        }
        if (Event.Message == kAllNotesOff) {
            Beats.push_back(TClock::now());
        } else if ((Event.Message & 0xF0) == 0x90 && !FirstNote) {
            FirstNote = TClock::now();
        }
    });
    TFormMain Main(Backend);
    Main.show();
    while (!Main.IsReady()) {
        QApplication::processEvents();
    }
    Main.findChild<QAction*>(QStringLiteral("ActionPractice"))->trigger();
    TPracticeWindow* Practice = nullptr;
    for (QWidget* Window : QApplication::topLevelWidgets()) {
        Practice = Practice ? Practice : dynamic_cast<TPracticeWindow*>(Window);
    }
    QApplication::processEvents();
    Beats.clear();
    FirstNote.reset();
    const TClock::time_point Clicked = TClock::now();
    Practice->findChild<QPushButton*>(QStringLiteral("ButtonAsk"))->click();
    // The first all-notes-off is the answer's fresh start; one a beat follows.
    while (static_cast<int>(Beats.size()) < kBeats + 1) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    std::vector<double> Off;
    for (int k = 0; k < kBeats; ++k) {
        Off.push_back(Milliseconds(Beats[k + 1] - Beats[1]) - k * BeatMs);
    }
    const std::vector<double> Floor = TimerLateness(BeatMs, kBeats);
    std::printf("「出題」 to the first note: %.2f ms (goal ≤ 50 ms)\n",
                Milliseconds(*FirstNote - Clicked));
    std::printf("%d beats at %d a minute (%d ms): worst beat off its place %.2f ms, last beat "
                "off %.2f ms (goal ≤ 2 ms); a precise Qt timer alone, same wait: worst late "
                "%.2f ms\n",
                kBeats, Tempo, BeatMs, Worst(Off), Off.back(), Worst(Floor));
    Practice->close();
    return 0;
}
