// Playing in through a real port: a JACK client of this test stands for the keyboard and
// writes into the program's input port. Runs under with_jackd.sh; the cases where the port
// goes away run on a JACK server of their own, which they may stop.
#include "midi/midi_message.h"
#include "midi/rtmidi_backend.h"
#include "midi/rtmidi_input.h"
#include "progression/form_main_model.h"
#include "progression/progression_file.h"
#include "tests/progression/test_view.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class JackInput : public testing::Test {
protected:
    void SetUp() override {
        // The test's own probes for its server would fill the terminal.
        jack_set_error_function([](const char*) {});
        jack_set_info_function([](const char*) {});
        if (std::getenv("JACK_NO_START_SERVER") == nullptr) {
            GTEST_SKIP() << "run under with_jackd.sh";
        }
    }
};

// A JACK client with a MIDI output that writes what it is given at the next period, and a MIDI
// input that keeps the note-ons it receives.
class TKeyboard {
public:
    TKeyboard() {
        Client = jack_client_open("kadenzo-keys", JackNoStartServer, nullptr);
        if (Client == nullptr) {
            return;
        }
        Output = jack_port_register(Client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        Input = jack_port_register(Client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        Pending = jack_ringbuffer_create(1 << 12);
        Received = jack_ringbuffer_create(1 << 12);
        jack_set_process_callback(Client, &TKeyboard::Process, this);
        jack_activate(Client);
    }
    ~TKeyboard() { Unplug(); }
    TKeyboard(const TKeyboard&) = delete;
    TKeyboard& operator=(const TKeyboard&) = delete;

    bool Running() const { return Client != nullptr; }
    std::string PortName() const { return jack_port_name(Output); }
    std::string InputName() const { return jack_port_name(Input); }
    // A connection made a moment ago carries nothing until the server's next cycle: what the
    // keyboard writes before then is lost.
    static void AwaitConnection(jack_port_t* Port) {
        for (int Waited = 0; Waited < 1000 && jack_port_connected(Port) == 0; ++Waited) {
            std::this_thread::sleep_for(10ms);
        }
    }
    void AwaitListener() const { AwaitConnection(Input); }
    // One message, its bytes in hex as the transcripts write them.
    void Play(const std::string& Text) {
        AwaitConnection(Output);
        std::istringstream Hex(Text);
        std::string Bytes;
        for (unsigned int Byte; Hex >> std::hex >> Byte;) {
            Bytes += static_cast<char>(Byte);
        }
        const auto Size = static_cast<char>(Bytes.size());
        jack_ringbuffer_write(Pending, &Size, 1);
        jack_ringbuffer_write(Pending, Bytes.data(), Bytes.size());
    }
    void Unplug() {
        if (Client != nullptr) {
            jack_client_close(Client);
            jack_ringbuffer_free(Pending);
            jack_ringbuffer_free(Received);
            Client = nullptr;
        }
    }
    // The first Count note-ons received, as the transcripts write bytes.
    std::vector<std::string> NoteOnsHeard(std::size_t Count) {
        std::vector<std::string> NoteOns;
        for (int Waited = 0; Waited < 1000 && NoteOns.size() < Count; ++Waited) {
            std::uint8_t Bytes[3];
            while (jack_ringbuffer_read(Received, reinterpret_cast<char*>(Bytes), 3) == 3) {
                NoteOns.push_back(WireText(Bytes, 3));
            }
            std::this_thread::sleep_for(10ms);
        }
        return NoteOns;
    }

private:
    static int Process(jack_nframes_t Frames, void* Self) {
        auto* Keyboard = static_cast<TKeyboard*>(Self);
        void* Buffer = jack_port_get_buffer(Keyboard->Output, Frames);
        jack_midi_clear_buffer(Buffer);
        char Size;
        while (jack_ringbuffer_read(Keyboard->Pending, &Size, 1) == 1) {
            jack_midi_data_t* Event = jack_midi_event_reserve(Buffer, 0, std::size_t(Size));
            jack_ringbuffer_read(Keyboard->Pending, reinterpret_cast<char*>(Event),
                                 std::size_t(Size));
        }
        void* Heard = jack_port_get_buffer(Keyboard->Input, Frames);
        jack_midi_event_t Event;
        for (jack_nframes_t i = 0; jack_midi_event_get(&Event, Heard, i) == 0; ++i) {
            if (Event.size == 3 && (Event.buffer[0] & 0xF0) == 0x90) {
                jack_ringbuffer_write(Keyboard->Received,
                                      reinterpret_cast<const char*>(Event.buffer), 3);
            }
        }
        return 0;
    }

    jack_client_t* Client = nullptr;
    jack_port_t* Output = nullptr;
    jack_port_t* Input = nullptr;
    jack_ringbuffer_t* Pending = nullptr;
    jack_ringbuffer_t* Received = nullptr;
};

// What the input delivered and reported.
class THeard {
public:
    TMidiInput::TReceive Receiver() {
        return [this](std::uint32_t Message) { Add(Messages, Message); };
    }
    TMidiInput::TLost Loser(TMidiInput* CloseFromInside = nullptr) {
        return [this, CloseFromInside](std::string Why) {
            if (CloseFromInside != nullptr) {
                CloseFromInside->Close();
            }
            Add(Lost, std::move(Why));
        };
    }
    template <typename T> std::vector<T> Wait(const std::vector<T>& What, std::size_t Count) {
        std::unique_lock<std::mutex> Guard(Lock);
        Arrived.wait_for(Guard, 10s, [&] { return What.size() >= Count; });
        return What;
    }
    std::vector<std::uint32_t> Messages;
    std::vector<std::string> Lost;

private:
    template <typename T> void Add(std::vector<T>& To, T Item) {
        const std::lock_guard<std::mutex> Guard(Lock);
        To.push_back(std::move(Item));
        Arrived.notify_all();
    }
    std::mutex Lock;
    std::condition_variable Arrived;
};

int PortNamed(TMidiInput& Input, const std::string& Name) {
    for (int i = 0; i < Input.PortCount(); ++i) {
        if (Input.PortName(i) == Name) {
            return i;
        }
    }
    return -1;
}

int DeviceNamed(TMidiBackend& Output, const std::string& Name) {
    int Device = 0;
    while (Device < Output.DeviceCount() && Output.DeviceName(Device) != Name) {
        ++Device;
    }
    return Device;
}

TEST_F(JackInput, DeliversChannelMessagesByteForByteAndNoSystemMessage) {
    const char* kPlayed[] = {"90 3C 64", "9F 7F 01", "90 40 00",    "80 3C 40",
                             "FE",       "F8",       "FA",          "F2 10 00",
                             "B0 40 7F", "C3 05",    "F0 7E 7F F7", "E0 00 40"};
    const std::vector<std::string> Want = {"90 3C 64", "9F 7F 01", "90 40 00", "80 3C 40",
                                           "B0 40 7F", "C3 05",    "E0 00 40"};
    TKeyboard Keyboard;
    ASSERT_TRUE(Keyboard.Running()) << "no JACK server";
    TRtMidiInput Input;
    THeard Heard;
    ASSERT_TRUE(Input.Open(PortNamed(Input, Keyboard.PortName()), Heard.Receiver(), Heard.Loser()));
    for (const char* Message : kPlayed) {
        Keyboard.Play(Message);
    }
    std::vector<std::string> Delivered;
    for (const std::uint32_t Message : Heard.Wait(Heard.Messages, Want.size())) {
        Delivered.push_back(WireText(UnpackShortMessage(Message)));
    }
    EXPECT_EQ(Delivered, Want);
}

TEST_F(JackInput, ListsOtherProgramsPortsWhenRefreshedButNotItsOwn) {
    TRtMidiInput Input;
    EXPECT_FALSE(Input.Open(Input.PortCount(), nullptr, nullptr));
    TKeyboard Keyboard;
    ASSERT_TRUE(Keyboard.Running()) << "no JACK server";
    EXPECT_EQ(PortNamed(Input, Keyboard.PortName()), -1) << "listed before a refresh";

    TRtMidiBackend Output; // our own output port, played into the keyboard's input
    ASSERT_TRUE(Output.Open(DeviceNamed(Output, Keyboard.InputName())).has_value());
    Input.Refresh();
    EXPECT_GE(PortNamed(Input, Keyboard.PortName()), 0);
    for (int i = 0; i < Input.PortCount(); ++i) {
        EXPECT_NE(Input.PortName(i)->rfind("Kadenzo", 0), 0u) << *Input.PortName(i);
    }
    const int Count = Input.PortCount();
    Input.Refresh();
    EXPECT_EQ(Input.PortCount(), Count) << "a second listing is the same";
    // Nor is our open input offered as an output: the thru would feed itself.
    ASSERT_TRUE(Input.Open(
        PortNamed(Input, Keyboard.PortName()), [](std::uint32_t) {}, [](std::string) {}));
    TRtMidiBackend Fresh;
    for (int i = 0; i < Fresh.DeviceCount(); ++i) {
        EXPECT_NE(Fresh.DeviceName(i)->rfind("Kadenzo", 0), 0u) << *Fresh.DeviceName(i);
    }
    EXPECT_GT(Fresh.DeviceCount(), 0);
}

// The model's side: the notes of a C major triad played in reach the model, sound at once on
// its output port and enter the progression as the chord of C.
TEST_F(JackInput, ATriadPlayedInSoundsThroughAndIsPlaced) {
    TKeyboard Keyboard;
    ASSERT_TRUE(Keyboard.Running()) << "no JACK server";
    TRtMidiBackend Output;
    TRecordingView View;
    TFormMainModel Model(Output, View);
    Model.FormShow();
    Model.SetSelectedDevice(DeviceNamed(Output, Keyboard.InputName()));
    Model.ListBoxDevsClick();
    Keyboard.AwaitListener();
    TRtMidiInput Input;
    THeard Heard;
    ASSERT_TRUE(Input.Open(PortNamed(Input, Keyboard.PortName()), Heard.Receiver(), Heard.Loser()));

    const std::vector<std::string> Triad = {"90 3C 40", "90 40 40", "90 43 50"};
    for (const std::string& Message : Triad) {
        Keyboard.Play(Message);
    }
    // The window hands each message to the model on its own thread and clock: here a
    // millisecond apart, then the 40 ms in which no other note comes.
    std::int64_t Now = 0;
    for (const std::uint32_t Message : Heard.Wait(Heard.Messages, Triad.size())) {
        Model.OnMidiIn(Message, Now += 1000);
    }
    Model.AdvanceMidiIn(Now + 40000);
    ASSERT_EQ(Model.GetProgression().size(), 1u);
    EXPECT_EQ(EntryLine(Model.GetProgression()[0]), "C 0010");
    EXPECT_EQ(Keyboard.NoteOnsHeard(Triad.size()), Triad);
}

// A JACK server of the test's own under a name of its own, which every client made while it
// runs reaches; stopped by its PID. A server that does not end cleanly keeps its place among
// the machine's eight server names.
class TOwnServer {
public:
    TOwnServer() : Name("kadenzo-input-" + std::to_string(getpid())) {
        // Spawned rather than forked: a child of a process with threads may only exec.
        posix_spawn_file_actions_t Quiet;
        posix_spawn_file_actions_init(&Quiet);
        posix_spawn_file_actions_addopen(&Quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&Quiet, STDOUT_FILENO, STDERR_FILENO);
        std::vector<char*> Arguments;
        for (const char* Word : {"jackd", "-n", Name.c_str(), "--no-realtime", "-d", "dummy", "-p",
                                 "256", static_cast<const char*>(nullptr)}) {
            Arguments.push_back(const_cast<char*>(Word));
        }
        if (posix_spawnp(&Pid, "jackd", &Quiet, nullptr, Arguments.data(), environ) != 0) {
            Pid = 0;
        }
        posix_spawn_file_actions_destroy(&Quiet);
        setenv("JACK_DEFAULT_SERVER", Name.c_str(), 1);
        for (int Try = 0; Try < 100 && !Up(); ++Try) {
            usleep(100000);
        }
    }
    ~TOwnServer() {
        Stop();
        unsetenv("JACK_DEFAULT_SERVER");
    }
    TOwnServer(const TOwnServer&) = delete;
    TOwnServer& operator=(const TOwnServer&) = delete;

    static bool Up() {
        jack_client_t* Probe = jack_client_open("kadenzo-probe", JackNoStartServer, nullptr);
        if (Probe != nullptr) {
            jack_client_close(Probe);
        }
        return Probe != nullptr;
    }
    // Whether it ended cleanly.
    bool Stop() {
        int Status = 0;
        if (Pid > 0) {
            kill(Pid, SIGTERM);
            waitpid(Pid, &Status, 0);
            Pid = 0;
        }
        return WIFEXITED(Status);
    }

private:
    std::string Name;
    pid_t Pid = 0;
};

// Whether the ports whose names match Pattern are gone, or go within ten seconds.
bool PortsGo(const char* Pattern) {
    jack_client_t* Look = jack_client_open("kadenzo-look", JackNoStartServer, nullptr);
    bool Gone = false;
    for (int Waited = 0; Look != nullptr && Waited < 1000 && !Gone; ++Waited) {
        const char** Ports = jack_get_ports(Look, Pattern, nullptr, 0);
        Gone = Ports == nullptr;
        jack_free(Ports);
        std::this_thread::sleep_for(10ms);
    }
    if (Look != nullptr) {
        jack_client_close(Look);
    }
    return Gone;
}

TEST_F(JackInput, ReportsAVanishedPortOnceQuietlyAndClosesIt) {
    enum TCause { ceUnplugged, ceServerStopped };
    struct TCase {
        TCause Cause;
        bool CloseFromLost;
        const char* Why; // part of the report
    };
    const TCase kCases[] = {
        {ceUnplugged, true, "kadenzo-keys:out"},
        {ceServerStopped, false, "JACK サーバー"},
    };
    for (const TCase& c : kCases) {
        SCOPED_TRACE(c.Why);
        TOwnServer Server;
        ASSERT_TRUE(TOwnServer::Up()) << "the test's own JACK server did not start";
        testing::internal::CaptureStderr();
        {
            TKeyboard Keyboard;
            TRtMidiInput Input;
            THeard Heard;
            ASSERT_TRUE(Input.Open(PortNamed(Input, Keyboard.PortName()), Heard.Receiver(),
                                   Heard.Loser(c.CloseFromLost ? &Input : nullptr)));
            Keyboard.Play("90 3C 64");
            Heard.Wait(Heard.Messages, 1);
            if (c.Cause == ceUnplugged) {
                Keyboard.Unplug();
            } else {
                EXPECT_TRUE(Server.Stop()) << "jackd did not end cleanly";
            }
            Heard.Wait(Heard.Lost, 1);
            if (c.Cause == ceUnplugged) {
                EXPECT_TRUE(PortsGo("^Kadenzo.*:Input$")) << "the input port stays open";
            }
            Input.Close();
            ASSERT_EQ(Heard.Lost.size(), 1u);
            EXPECT_NE(Heard.Lost[0].find(c.Why), std::string::npos) << Heard.Lost[0];
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
}

} // namespace
