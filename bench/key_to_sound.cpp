// Key to sound, end to end: a key pressed through the X server (XTest) until the first sample
// of the chord reaches a JACK port, both timed on JACK's clock (jack_get_time). A JACK client
// of its own records the port. Between trials the sound is stopped and left to fall silent.
// Run by bench/key_to_sound.sh, which sets up the servers:
//   key_to_sound kadenzo PORT_PATTERN [LABEL [SILENCE_MS [TRIALS]]]
//       the program's window has the focus; a digit is pressed, and the "発音停止" button
//       clicked between trials
//   key_to_sound stdin PORT_PATTERN [LABEL [SILENCE_MS [TRIALS]]]
//       a peer that reads "noteon" lines on standard input (fluidsynth's shell): its output
//       is this program's standard output
// Each key follows SILENCE_MS of silence on the port (300 ms, or long enough for an output
// that sleeps when silent to have gone to sleep).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <jack/jack.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr float kThreshold = 0.002f;
constexpr int kTrials = 30;
constexpr int kSilenceMilliseconds = 300;

struct TRecorder {
    jack_client_t* Client = nullptr;
    jack_port_t* Input = nullptr;
    std::atomic<bool> Armed{false};
    std::atomic<jack_time_t> Onset{0};
    std::atomic<float> Peak{0}; // of the last period, to wait for silence
};

int Process(jack_nframes_t Frames, void* Argument) {
    auto& Recorder = *static_cast<TRecorder*>(Argument);
    const auto* Samples = static_cast<const float*>(jack_port_get_buffer(Recorder.Input, Frames));
    float Peak = 0;
    const jack_nframes_t First = jack_last_frame_time(Recorder.Client);
    for (jack_nframes_t i = 0; i < Frames; ++i) {
        const float Level = std::fabs(Samples[i]);
        Peak = std::max(Peak, Level);
        if (Level > kThreshold && Recorder.Armed.exchange(false)) {
            Recorder.Onset = jack_frames_to_time(Recorder.Client, First + i);
        }
    }
    Recorder.Peak = Peak;
    return 0;
}

void Sleep(int Milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

bool WaitFor(const std::function<bool()>& Done, int Milliseconds) {
    for (int Waited = 0; Waited < Milliseconds; ++Waited) {
        if (Done()) {
            return true;
        }
        Sleep(1);
    }
    return Done();
}

// Connects the recorder to the first output port whose name matches Pattern.
bool ConnectTo(TRecorder& Recorder, const char* Pattern) {
    for (int Try = 0; Try < 100; ++Try) {
        if (const char** Ports =
                jack_get_ports(Recorder.Client, Pattern, nullptr, JackPortIsOutput)) {
            const bool Connected =
                jack_connect(Recorder.Client, Ports[0], jack_port_name(Recorder.Input)) == 0;
            std::fprintf(stderr, "key_to_sound: recording %s\n", Ports[0]);
            jack_free(Ports);
            return Connected;
        }
        Sleep(100);
    }
    return false;
}

// Presses and releases a key, or clicks at a point of the screen.
class TX {
public:
    TX() : Display(XOpenDisplay(nullptr)) {}
    ~TX() {
        if (Display != nullptr) {
            XCloseDisplay(Display);
        }
    }
    bool Ok() const { return Display != nullptr; }
    void Key(KeySym Symbol) {
        const unsigned Code = XKeysymToKeycode(Display, Symbol);
        XTestFakeKeyEvent(Display, Code, True, CurrentTime);
        XTestFakeKeyEvent(Display, Code, False, CurrentTime);
        XFlush(Display);
    }
    void Click(int X, int Y) {
        XTestFakeMotionEvent(Display, -1, X, Y, CurrentTime);
        XTestFakeButtonEvent(Display, 1, True, CurrentTime);
        XTestFakeButtonEvent(Display, 1, False, CurrentTime);
        XFlush(Display);
    }

private:
    ::Display* Display;
};

void Report(std::FILE* Out, const char* What, std::vector<double> Latencies, int Missed) {
    if (Latencies.empty()) {
        std::fprintf(Out, "%s: no sound reached the port\n", What);
        return;
    }
    std::sort(Latencies.begin(), Latencies.end());
    std::fprintf(Out,
                 "%s: key → first sound median %.1f ms, min %.1f, max %.1f (%zu trials, %d "
                 "without sound)\n",
                 What, Latencies[Latencies.size() / 2], Latencies.front(), Latencies.back(),
                 Latencies.size(), Missed);
}

} // namespace

int main(int Count, char** Arguments) {
    if (Count < 3) {
        std::fprintf(
            stderr,
            "usage: key_to_sound kadenzo|stdin PORT_PATTERN [LABEL [SILENCE_MS [TRIALS]]]\n");
        return 2;
    }
    const std::string Mode = Arguments[1];
    const char* Label = Count > 3 ? Arguments[3] : Arguments[1];
    const int Silence = Count > 4 ? std::atoi(Arguments[4]) : kSilenceMilliseconds;
    const int Trials = Count > 5 ? std::atoi(Arguments[5]) : kTrials;
    TRecorder Recorder;
    Recorder.Client = jack_client_open("key_to_sound", JackNoStartServer, nullptr);
    if (Recorder.Client == nullptr) {
        std::fprintf(stderr, "key_to_sound: no JACK server\n");
        return 2;
    }
    Recorder.Input =
        jack_port_register(Recorder.Client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(Recorder.Client, Process, &Recorder);
    if (jack_activate(Recorder.Client) != 0 || !ConnectTo(Recorder, Arguments[2])) {
        std::fprintf(stderr, "key_to_sound: cannot record %s\n", Arguments[2]);
        return 2;
    }
    TX X;
    if (Mode == "kadenzo" && !X.Ok()) {
        std::fprintf(stderr, "key_to_sound: no X display\n");
        return 2;
    }
    // The main window stands at (285, 126) without a window manager; 発音停止 is at (352, 94).
    const int StopX = 285 + 352 + 30, StopY = 126 + 94 + 12;
    if (Mode != "kadenzo") {
        Sleep(2500); // the peer reads its SoundFont first
    }
    std::vector<double> Latencies;
    int Missed = 0;
    const KeySym Digits[] = {XK_1, XK_4, XK_5, XK_1};
    for (int Trial = 0; Trial < Trials; ++Trial) {
        if (Mode == "kadenzo") {
            X.Click(StopX, StopY);
        } else {
            std::printf("cc 0 123 0\n");
            std::fflush(stdout);
        }
        // Silent for that long on end: the release of the last chord is over.
        int Quiet = 0;
        WaitFor(
            [&] {
                Quiet = Recorder.Peak.load() < kThreshold / 4 ? Quiet + 1 : 0;
                return Quiet >= Silence;
            },
            Silence + 5000);
        Recorder.Onset = 0;
        Recorder.Armed = true;
        const jack_time_t Sent = jack_get_time();
        if (Mode == "kadenzo") {
            X.Key(Digits[Trial % 4]);
        } else {
            std::printf("noteon 0 %d 100\n", 60 + Trial % 12);
            std::fflush(stdout);
        }
        if (WaitFor([&] { return Recorder.Onset.load() != 0; }, 2000)) {
            // An onset in the period that was playing when the key went is sound left over,
            // not the key's: such a trial counts as one without sound.
            const auto Onset = static_cast<std::int64_t>(Recorder.Onset.load());
            if (Onset >= static_cast<std::int64_t>(Sent)) {
                Latencies.push_back(static_cast<double>(Onset - static_cast<std::int64_t>(Sent)) /
                                    1000.0);
            } else {
                ++Missed;
            }
        } else {
            Recorder.Armed = false;
            ++Missed;
        }
    }
    if (Mode != "kadenzo") {
        std::printf("quit\n");
        std::fflush(stdout);
    }
    jack_client_close(Recorder.Client);
    // A peer reads this program's standard output: the figure goes to standard error then.
    Report(Mode == "kadenzo" ? stdout : stderr, Label, Latencies, Missed);
    return 0;
}
