// Cold start of the program to its main window shown with the built-in synth ready, and the
// time from a key event delivered to the window to the last MIDI message it causes. A timing
// program: run it on a display with a sound server (scripts/try_headless.sh sets one up).
#include "midi/combined_backend.h"
#include "ui/kadenzo00.h"
#include "ui/kadenzo50.h"
#include "ui/kadenzo60.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// Seconds since boot at which this process started, from /proc (clock ticks).
double ProcessStartSeconds() {
    std::ifstream Stat("/proc/self/stat");
    std::string Field;
    for (int i = 0; i < 22 && Stat >> Field; ++i) {
    }
    return std::stod(Field) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double BootSeconds() {
    timespec Now;
    clock_gettime(CLOCK_BOOTTIME, &Now);
    return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
}

// Passes everything on to the system's devices and notes when the last message went out.
class TTimingBackend : public TMidiBackend {
public:
    explicit TTimingBackend(TMidiBackend& Inner) : Inner(Inner) {}
    int DeviceCount() override { return Inner.DeviceCount(); }
    std::optional<std::string> DeviceName(int Device) override { return Inner.DeviceName(Device); }
    std::optional<TMidiHandle> Open(int Device) override { return Inner.Open(Device); }
    void Send(TMidiHandle Handle, std::uint32_t Message) override {
        Inner.Send(Handle, Message);
        LastSent = TClock::now();
    }
    void Close(TMidiHandle Handle) override { Inner.Close(Handle); }
    TClock::time_point LastSent;

private:
    TMidiBackend& Inner;
};

} // namespace

int main(int Count, char** Arguments) {
    const auto MainEntered = TClock::now();
    const double BeforeMain = BootSeconds() - ProcessStartSeconds();
    QApplication Application(Count, Arguments);
    const std::unique_ptr<TMidiBackend> System = MakeSystemMidiBackend();
    TTimingBackend Backend(*System);
    TFormHelp FormHelp;
    TFormExample FormExample;
    TFormMain FormMain(Backend, FormHelp, FormExample);
    FormMain.show(); // runs FormShow: devices listed, the synth loaded and opened
    QApplication::processEvents();
    const double Ready =
        std::chrono::duration<double, std::milli>(TClock::now() - MainEntered).count();
    std::printf("start: %.1f ms from main() to the window shown with the synth ready "
                "(+ about %.0f ms before main, to the clock tick)\n",
                Ready, BeforeMain * 1000);

    auto* Memo = FormMain.findChild<QWidget*>(QStringLiteral("MemoChord"));
    std::vector<double> Costs;
    const Qt::Key Digits[] = {Qt::Key_1, Qt::Key_4, Qt::Key_5, Qt::Key_1};
    for (int i = 0; i < 200; ++i) {
        QKeyEvent Press(QEvent::KeyPress, Digits[i % 4], Qt::NoModifier, QStringLiteral("1"));
        QKeyEvent Release(QEvent::KeyRelease, Digits[i % 4], Qt::NoModifier, QStringLiteral("1"));
        const auto Start = TClock::now();
        QApplication::sendEvent(Memo, &Press);
        Costs.push_back(
            std::chrono::duration<double, std::micro>(Backend.LastSent - Start).count());
        QApplication::sendEvent(Memo, &Release);
        QApplication::processEvents();
    }
    std::sort(Costs.begin(), Costs.end());
    std::printf("key event to last MIDI message over %zu chords: median %.1f µs, 95th percentile "
                "%.1f µs, max %.1f µs\n",
                Costs.size(), Costs[Costs.size() / 2], Costs[Costs.size() * 95 / 100],
                Costs.back());
    FormMain.close();
    return 0;
}
