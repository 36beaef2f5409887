// A long evening of practice in the real window: digits typed through the X server (XTest) as
// fast as it delivers them. Measures, in one run:
// - 4,000 keys: the time until the window has played and shown them all, and the memory they
//   add, beside the time an empty window of the same size takes to receive the same keys;
// - with 10,000 entries on the display, for keys of every kind that plays (digits, named
//   chords, Space, secondary dominants, Enter deep in a replay): real key event → last MIDI
//   message handed over, beside the time the same event takes to reach the application at all.
//   A key that sent nothing is counted, not timed.
// A timing program: run it on an X display (xvfb-run -a build/bench/window_practice [SHOT.png]).
#include "bench/x_typist.h"
#include "midi/midi_backend.h"
#include "ui/kadenzo00.h"
#include "ui/kadenzo50.h"
#include "ui/kadenzo60.h"
#include <X11/keysym.h> // key symbols only: no Xlib, whose macros clash with Qt

#include <QApplication>
#include <QKeyEvent>
#include <QPixmap>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double Milliseconds(TClock::duration Span) {
    return std::chrono::duration<double, std::milli>(Span).count();
}

double ResidentMegabytes() {
    std::ifstream Status("/proc/self/status");
    for (std::string Line; std::getline(Status, Line);) {
        if (Line.rfind("VmRSS:", 0) == 0) {
            return std::stod(Line.substr(6)) / 1024;
        }
    }
    return 0;
}

// One MIDI device that keeps nothing but the time of the last message handed to it.
class TTimingBackend : public TMidiBackend {
public:
    int DeviceCount() override { return 1; }
    std::optional<std::string> DeviceName(int) override { return "timing"; }
    std::optional<TMidiHandle> Open(int) override { return TMidiHandle{1}; }
    void Send(TMidiHandle, std::uint32_t) override {
        LastSent = TClock::now();
        ++Sent;
    }
    void Close(TMidiHandle) override {}
    TClock::time_point LastSent;
    int Sent = 0;
};

bool IsModifier(int Key) {
    return Key == Qt::Key_Control || Key == Qt::Key_Alt || Key == Qt::Key_Shift ||
           Key == Qt::Key_Meta;
}

// Notes when each key press reaches the application and when its handling has ended.
class TTimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* Receiver, QEvent* Event) override {
        // A key press comes to the window first, then Qt hands it to the focused widget.
        // Ctrl and Alt pressed on their own are no command.
        const bool Command =
            Event->type() == QEvent::KeyPress && !IsModifier(static_cast<QKeyEvent*>(Event)->key());
        const bool Press = Command && Receiver->isWidgetType();
        if (Command && !Receiver->isWidgetType()) {
            Arrived = TClock::now();
        }
        const bool Result = QApplication::notify(Receiver, Event);
        if (Press) {
            Handled.fetch_add(1);
        }
        return Result;
    }
    TClock::time_point Arrived;
    std::atomic<int> Handled{0};
};

void WaitUntil(const std::function<bool()>& Done) {
    while (!Done()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void Settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
}

void ShowActive(QWidget& Window) {
    Window.show();
    Window.activateWindow();
    WaitUntil([&Window] { return Window.isActiveWindow(); });
    Settle();
}

struct TSpread {
    double Median, P95, P99;
};

TSpread SpreadOf(std::vector<double> Values) {
    std::sort(Values.begin(), Values.end());
    auto At = [&Values](std::size_t Percent) { return Values[Values.size() * Percent / 100]; };
    return {At(50), At(95), At(99)};
}

// The floor: the same keys into an empty window of the same size.
double TimeToReceive(TTimedApplication& Application, int Keys) {
    QWidget Empty;
    Empty.setFixedSize(513, 255);
    ShowActive(Empty);
    const int Before = Application.Handled.load();
    const auto Start = TClock::now();
    std::thread Sender([Keys] {
        TTypist Typist;
        for (int i = 0; i < Keys; ++i) {
            Typist.Type(i);
        }
    });
    WaitUntil([&] { return Application.Handled.load() - Before >= Keys; });
    const double Spent = Milliseconds(TClock::now() - Start);
    Sender.join();
    return Spent;
}

struct TStroke {
    const char* Kind;
    unsigned long KeySym;
    bool Ctrl;
    bool Alt;
};

struct TTimes {
    std::vector<double> InWindow, FromServer, Floor;
    std::map<std::string, std::pair<int, int>> Kinds; // kind: keys typed, keys that sent nothing
};

void TimeKey(TTimedApplication& Application, TTimingBackend& Backend, const TStroke& Stroke,
             TTimes& Times) {
    static TTypist Typist;
    const int Before = Application.Handled.load();
    const int SentBefore = Backend.Sent;
    const auto Sent = TClock::now();
    Typist.Stroke(Stroke.KeySym, Stroke.Ctrl, Stroke.Alt);
    WaitUntil([&] { return Application.Handled.load() > Before; });
    auto& [Typed, Silent] = Times.Kinds[Stroke.Kind];
    ++Typed;
    if (Backend.Sent == SentBefore) {
        ++Silent;
    } else {
        Times.InWindow.push_back(Milliseconds(Backend.LastSent - Application.Arrived));
        Times.FromServer.push_back(Milliseconds(Backend.LastSent - Sent));
        Times.Floor.push_back(Milliseconds(Application.Arrived - Sent));
    }
    Settle();
}

void Report(const TTimes& Times, std::size_t Entries, const char* What) {
    const TSpread Window = SpreadOf(Times.InWindow);
    const TSpread Server = SpreadOf(Times.FromServer);
    const TSpread Floor = SpreadOf(Times.Floor);
    std::printf("%s, %zu entries on the line:\n", What, Entries);
    for (const auto& [Kind, Counts] : Times.Kinds) {
        std::printf("  %s: %d typed, %d sent nothing\n", Kind.c_str(), Counts.first, Counts.second);
    }
    std::printf("  key event in the window → last MIDI message: median %.3f ms, p95 %.3f ms, "
                "p99 %.3f ms\n"
                "  X server → last MIDI message: median %.3f ms, p95 %.3f ms, p99 %.3f ms\n"
                "  X server → key event in the window (the floor): median %.3f ms, p95 %.3f ms, "
                "p99 %.3f ms\n",
                Window.Median, Window.P95, Window.P99, Server.Median, Server.P95, Server.P99,
                Floor.Median, Floor.P95, Floor.P99);
}

} // namespace

int main(int Count, char** Arguments) {
    TTimedApplication Application(Count, Arguments);
    constexpr int kPracticeKeys = 4000;
    constexpr int kLongLine = 10000;
    constexpr int kTimedKeys = 400;

    const double Floor = TimeToReceive(Application, kPracticeKeys);

    TTimingBackend Backend;
    TFormHelp FormHelp;
    TFormExample FormExample;
    TFormMain FormMain(Backend, FormHelp, FormExample);
    ShowActive(FormMain);
    WaitUntil([&FormMain] { return FormMain.IsReady(); });
    TFormMainModel& Model = FormMain.Model();

    const double MemoryBefore = ResidentMegabytes();
    const auto Start = TClock::now();
    std::thread Sender([] {
        TTypist Typist;
        for (int i = 0; i < kPracticeKeys; ++i) {
            Typist.Type(i);
        }
    });
    WaitUntil([&] { return Model.GetProgression().size() >= kPracticeKeys; });
    Settle();
    FormMain.repaint();
    const double Spent = Milliseconds(TClock::now() - Start);
    Sender.join();
    const double MemoryAfter = ResidentMegabytes();
    std::printf("%d keys typed: settled in %.0f ms (an empty window receives them in %.0f ms), "
                "memory %+.1f MB\n",
                kPracticeKeys, Spent, Floor, MemoryAfter - MemoryBefore);

    // The rest of the long line straight through the model, then timed keys one at a time.
    for (int i = static_cast<int>(Model.GetProgression().size()); i < kLongLine; ++i) {
        std::uint16_t Key = static_cast<std::uint16_t>('1' + i % 7);
        Model.OnKeyDown(Key, 0);
    }
    Settle();
    const TStroke Mixed[] = {
        {"digit", XK_1, false, false},       {"named chord", XK_e, false, false},
        {"Space", XK_space, false, false},   {"Ctrl+Alt+digit", XK_2, true, true},
        {"digit", XK_5, false, false},       {"named chord", XK_a, false, true},
        {"named chord", XK_b, false, false}, {"Space", XK_space, false, false},
    };
    TTimes Times;
    for (int i = 0; i < kTimedKeys; ++i) {
        TimeKey(Application, Backend, Mixed[i % std::size(Mixed)], Times);
    }
    Report(Times, Model.GetProgression().size(), "keys of every kind");

    // Enter deep in the replay of the long line.
    std::uint16_t Home = 36;
    Model.OnKeyDown(Home, 0);
    for (std::size_t i = 0; i + kTimedKeys < Model.GetProgression().size(); ++i) {
        std::uint16_t Enter = 13;
        Model.OnKeyDown(Enter, 0);
    }
    Settle();
    TTimes Replay;
    for (int i = 0; i < kTimedKeys; ++i) {
        TimeKey(Application, Backend, {"Enter", XK_Return, false, false}, Replay);
    }
    Report(Replay, Model.GetProgression().size(), "Enter, replaying");

    if (Count > 1) {
        FormMain.grab().save(QString::fromLocal8Bit(Arguments[1]));
    }
    FormMain.close();
    return 0;
}
