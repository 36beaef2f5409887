// MIDI thru on JACK's clock: a JACK client of the bench writes a note-on into the program's
// input port, another reads the note-on sounded through on the program's output port, and
// the two frame times give the delay beside the period, its floor. Each path of the program
// is timed apart:
//   direct    TRtMidiInput's Receive sends the message straight to an RtMidi JACK output
//   model     Receive hands the message to the main window's model, which sounds it through
//             its instrument on that output
//   handed    Receive hands the message to a thread of its own, as the window's event loop
//             takes it, and that thread to the model
// "in the program" is Receive being called → the thru message given to the output, on
// jack_get_time. Run under a JACK server: tests/midi/with_jackd.sh build/bench/midi_thru
#include "midi/midi_message.h"
#include "midi/rtmidi_backend.h"
#include "midi/rtmidi_input.h"
#include "progression/form_main_model.h"
#include "tests/progression/test_view.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kTrials = 100;

void Sleep(int Milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

// The bench's two clients: the keys play into the program, the ear hears what comes out.
class TProbe {
public:
    TProbe()
        : Keys(jack_client_open("midi_thru-keys", JackNoStartServer, nullptr)),
          Ear(jack_client_open("midi_thru-ear", JackNoStartServer, nullptr)) {
        if (Keys == nullptr || Ear == nullptr) {
            return;
        }
        Out = jack_port_register(Keys, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        In = jack_port_register(Ear, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(Keys, &TProbe::Play, this);
        jack_set_process_callback(Ear, &TProbe::Hear, this);
        jack_activate(Keys);
        jack_activate(Ear);
    }
    ~TProbe() {
        for (jack_client_t* Client : {Keys, Ear}) {
            if (Client != nullptr) {
                jack_client_close(Client);
            }
        }
    }
    TProbe(const TProbe&) = delete;
    TProbe& operator=(const TProbe&) = delete;

    bool Ok() const { return Keys != nullptr && Ear != nullptr; }
    std::string KeysPort() const { return jack_port_name(Out); }
    std::string EarPort() const { return jack_port_name(In); }
    jack_client_t* Client() const { return Keys; }

    // A connection made a moment ago carries nothing until the server's next cycle.
    void AwaitConnections() const {
        for (int Waited = 0;
             Waited < 1000 && (jack_port_connected(Out) == 0 || jack_port_connected(In) == 0);
             ++Waited) {
            Sleep(1);
        }
    }
    // The frames from the note-on written to the note-on heard, or -1 when none came.
    long NoteOnThrough(std::uint32_t Message) {
        Heard = false;
        ToPlay = Message;
        for (int Waited = 0; Waited < 1000 && !Heard; ++Waited) {
            Sleep(1);
        }
        return Heard ? static_cast<long>(HeardAt - PlayedAt) : -1;
    }
    void Send(std::uint32_t Message) { ToPlay = Message; }

private:
    static int Play(jack_nframes_t Frames, void* Self) {
        auto* Probe = static_cast<TProbe*>(Self);
        void* Buffer = jack_port_get_buffer(Probe->Out, Frames);
        jack_midi_clear_buffer(Buffer);
        if (const std::uint32_t Message = Probe->ToPlay.exchange(0)) {
            const TShortMessage Short = UnpackShortMessage(Message);
            jack_midi_event_write(Buffer, 0, Short.Bytes.data(), Short.Size);
            Probe->PlayedAt = jack_last_frame_time(Probe->Keys);
        }
        return 0;
    }
    static int Hear(jack_nframes_t Frames, void* Self) {
        auto* Probe = static_cast<TProbe*>(Self);
        void* Buffer = jack_port_get_buffer(Probe->In, Frames);
        jack_midi_event_t Event;
        for (jack_nframes_t i = 0; jack_midi_event_get(&Event, Buffer, i) == 0; ++i) {
            if (Event.size == 3 && (Event.buffer[0] & 0xF0) == 0x90 && Event.buffer[2] > 0) {
                Probe->HeardAt = jack_last_frame_time(Probe->Ear) + Event.time;
                Probe->Heard = true;
            }
        }
        return 0;
    }

    jack_client_t* Keys;
    jack_client_t* Ear;
    jack_port_t* Out = nullptr;
    jack_port_t* In = nullptr;
    std::atomic<std::uint32_t> ToPlay{0};
    std::atomic<jack_nframes_t> PlayedAt{0};
    std::atomic<jack_nframes_t> HeardAt{0};
    std::atomic<bool> Heard{false};
};

int DeviceNamed(TMidiBackend& Backend, const std::string& Name) {
    for (int i = 0; i < Backend.DeviceCount(); ++i) {
        if (Backend.DeviceName(i) == Name) {
            return i;
        }
    }
    return -1;
}

int PortNamed(TRtMidiInput& Input, const std::string& Name) {
    for (int i = 0; i < Input.PortCount(); ++i) {
        if (Input.PortName(i) == Name) {
            return i;
        }
    }
    return -1;
}

// A thread that takes each message as the window's event loop would: woken for it.
class THandOff {
public:
    explicit THandOff(std::function<void(std::uint32_t)> Take)
        : Take(std::move(Take)), Thread([this] { Run(); }) {}
    ~THandOff() {
        {
            const std::lock_guard<std::mutex> Guard(Lock);
            Stopping = true;
        }
        Woken.notify_one();
        Thread.join();
    }
    THandOff(const THandOff&) = delete;
    THandOff& operator=(const THandOff&) = delete;

    void Post(std::uint32_t Message) {
        {
            const std::lock_guard<std::mutex> Guard(Lock);
            Queue.push_back(Message);
        }
        Woken.notify_one();
    }

private:
    void Run() {
        std::unique_lock<std::mutex> Guard(Lock);
        for (;;) {
            Woken.wait(Guard, [this] { return Stopping || !Queue.empty(); });
            if (Stopping) {
                return;
            }
            const std::vector<std::uint32_t> Taken = std::move(Queue);
            Queue.clear();
            Guard.unlock();
            for (const std::uint32_t Message : Taken) {
                Take(Message);
            }
            Guard.lock();
        }
    }

    std::function<void(std::uint32_t)> Take;
    std::mutex Lock;
    std::condition_variable Woken;
    std::vector<std::uint32_t> Queue;
    bool Stopping = false;
    std::thread Thread;
};

// The program's output ports, marking when a note-on is given to them.
class TStampedOutput : public TMidiBackend {
public:
    int DeviceCount() override { return Ports.DeviceCount(); }
    std::optional<std::string> DeviceName(int Device) override { return Ports.DeviceName(Device); }
    std::optional<TMidiHandle> Open(int Device) override { return Ports.Open(Device); }
    void Send(TMidiHandle Handle, std::uint32_t Message) override {
        Ports.Send(Handle, Message);
        if ((Message & 0xF0) == 0x90) {
            Given = jack_get_time();
        }
    }
    void Close(TMidiHandle Handle) override { Ports.Close(Handle); }

    std::atomic<jack_time_t> Given{0};

private:
    TRtMidiBackend Ports;
};

struct TTimes {
    std::vector<double> Through; // ms, frame to frame
    std::vector<double> Inside;  // ms, on jack_get_time
    int Lost = 0;
};

// Plays the trials into the program's input, whose Receive passes each message to Thru.
TTimes Trials(TProbe& Probe, TStampedOutput& Output, const std::function<void(std::uint32_t)>& Thru,
              double Rate) {
    std::atomic<jack_time_t> Called{0};
    TTimes Times;
    TRtMidiInput Input;
    const bool Opened = Input.Open(
        PortNamed(Input, Probe.KeysPort()),
        [&](std::uint32_t Message) {
            if ((Message & 0xF0) == 0x90) {
                Called = jack_get_time();
            }
            Thru(Message);
        },
        [](std::string) {});
    if (!Opened) {
        std::fprintf(stderr, "midi_thru: the input port did not open\n");
        return Times;
    }
    Probe.AwaitConnections();
    for (int i = 0; i < kTrials; ++i) {
        const int Note = 60 + i % 12;
        const long Frames = Probe.NoteOnThrough(NoteOnMessage(Note, 100));
        if (Frames < 0) {
            ++Times.Lost;
        } else {
            Times.Through.push_back(1000.0 * static_cast<double>(Frames) / Rate);
            Times.Inside.push_back(static_cast<double>(Output.Given - Called) / 1000.0);
        }
        Probe.Send(0x80 + (static_cast<std::uint32_t>(Note) << 8));
        Sleep(10);
    }
    return Times;
}

double Median(std::vector<double> Values) {
    std::sort(Values.begin(), Values.end());
    return Values[Values.size() / 2];
}

// The thru note leaves in the period the note came in, or in a later one: which, depends on
// the order in which the server runs the program's input and output clients that period, and
// on whether the thru message was given out before the output client ran.
void Report(const char* Path, const TTimes& Times, double Period) {
    if (Times.Through.empty()) {
        std::printf("%-7s no note came through\n", Path);
        return;
    }
    int Same = 0, Next = 0;
    for (const double Through : Times.Through) {
        Same += Through < Period / 2;
        Next += Through >= Period / 2 && Through < Period * 1.5;
    }
    const int Later = static_cast<int>(Times.Through.size()) - Same - Next;
    std::printf("%-7s thru note in the same period %d, the next %d, later %d (max %.2f ms); in "
                "the program median %.3f ms, max %.3f (%d lost)\n",
                Path, Same, Next, Later,
                *std::max_element(Times.Through.begin(), Times.Through.end()), Median(Times.Inside),
                *std::max_element(Times.Inside.begin(), Times.Inside.end()), Times.Lost);
}

} // namespace

int main() {
    TProbe Probe;
    if (!Probe.Ok()) {
        std::fprintf(stderr, "midi_thru: no JACK server\n");
        return 2;
    }
    const double Rate = jack_get_sample_rate(Probe.Client());
    const double Period = 1000.0 * jack_get_buffer_size(Probe.Client()) / Rate;
    {
        TStampedOutput Output;
        const auto Handle = Output.Open(DeviceNamed(Output, Probe.EarPort()));
        const auto Straight = [&](std::uint32_t Message) {
            if (Handle) {
                Output.Send(*Handle, Message);
            }
        };
        Report("direct", Trials(Probe, Output, Straight, Rate), Period);
    }
    for (const bool HandedOver : {false, true}) {
        TStampedOutput Output;
        TRecordingView View;
        TFormMainModel Model(Output, View);
        Model.FormShow();
        Model.SetSelectedDevice(DeviceNamed(Output, Probe.EarPort()));
        Model.ListBoxDevsClick();
        const auto Start = std::chrono::steady_clock::now();
        const auto ToModel = [&](std::uint32_t Message) {
            Model.OnMidiIn(Message, std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::steady_clock::now() - Start)
                                        .count());
        };
        if (HandedOver) {
            THandOff Window(ToModel);
            const auto Post = [&](std::uint32_t Message) { Window.Post(Message); };
            Report("handed", Trials(Probe, Output, Post, Rate), Period);
        } else {
            Report("model", Trials(Probe, Output, ToModel, Rate), Period);
        }
    }
    std::printf("JACK period: %u frames at %.0f Hz (%.2f ms)\n",
                jack_get_buffer_size(Probe.Client()), Rate, Period);
    return 0;
}
