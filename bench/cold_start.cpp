// Cold start to the window on the screen: from just before exec to the X server's MapNotify of
// the program's first window, for the program and for an empty Qt window of the same size
// built by the same build, in turns. Needs an X display (no window manager) and, for the
// program, a sound server: tests/midi/with_pulseaudio.sh xvfb-run -a build/bench/cold_start
// build/ui/kadenzo build/bench/empty_window
#include <X11/Xlib.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// Milliseconds from exec to the first window the started program maps.
double TimeToMapped(Display* X, const char* Program) {
    XSync(X, True); // drop notifications of earlier runs
    const auto Start = TClock::now();
    const pid_t Child = fork();
    if (Child == 0) {
        execl(Program, Program, static_cast<char*>(nullptr));
        _exit(127);
    }
    double Spent = -1;
    for (XEvent Event; Spent < 0;) {
        XNextEvent(X, &Event);
        if (Event.type == MapNotify) {
            Spent = std::chrono::duration<double, std::milli>(TClock::now() - Start).count();
        }
    }
    kill(Child, SIGKILL);
    waitpid(Child, nullptr, 0);
    return Spent;
}

double Median(std::vector<double> Values) {
    std::sort(Values.begin(), Values.end());
    return Values[Values.size() / 2];
}

} // namespace

int main(int Count, char** Arguments) {
    if (Count < 3) {
        std::fprintf(stderr, "usage: cold_start PROGRAM EMPTY_WINDOW [RUNS]\n");
        return 2;
    }
    const int Runs = Count > 3 ? std::stoi(Arguments[3]) : 15;
    Display* X = XOpenDisplay(nullptr);
    if (X == nullptr) {
        std::fprintf(stderr, "cold_start: no X display\n");
        return 2;
    }
    XSelectInput(X, DefaultRootWindow(X), SubstructureNotifyMask);
    std::vector<double> Program, Empty;
    TimeToMapped(X, Arguments[1]); // both once to warm the file cache
    TimeToMapped(X, Arguments[2]);
    for (int i = 0; i < Runs; ++i) {
        Program.push_back(TimeToMapped(X, Arguments[1]));
        Empty.push_back(TimeToMapped(X, Arguments[2]));
    }
    const double Ours = Median(Program), Peer = Median(Empty);
    std::printf("cold start → window mapped, median of %d: %.1f ms; an empty Qt window of the "
                "same size: %.1f ms; ratio %.2f\n",
                Runs, Ours, Peer, Ours / Peer);
    XCloseDisplay(X);
    return 0;
}
