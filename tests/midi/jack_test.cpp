// Real MIDI bytes through a real port: the instrument, over the system's ports, sends the
// start-up sequence and one chord to a JACK MIDI client of this test. Runs under
// with_jackd.sh.
#include "harmony/calculator.h"
#include "midi/fluidsynth_backend.h"
#include "midi/instrument.h"
#include "midi/midi_message.h"
#include "midi/rtmidi_backend.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A JACK client with one MIDI input that keeps every byte it receives.
class TMidiSink {
public:
    TMidiSink() {
        Client = jack_client_open("kadenzo-sink", JackNoStartServer, nullptr);
        if (Client == nullptr) {
            return;
        }
        Input = jack_port_register(Client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        Received = jack_ringbuffer_create(1 << 16);
        jack_set_process_callback(Client, &TMidiSink::Process, this);
        jack_activate(Client);
    }
    ~TMidiSink() {
        if (Client != nullptr) {
            jack_client_close(Client);
            jack_ringbuffer_free(Received);
        }
    }
    TMidiSink(const TMidiSink&) = delete;
    TMidiSink& operator=(const TMidiSink&) = delete;

    bool Running() const { return Client != nullptr; }
    jack_client_t* Handle() const { return Client; }
    std::string PortName() const { return jack_port_name(Input); }

    // The bytes received so far, each message on a line of its own: "B0 7B 00".
    std::vector<std::string> Take() {
        std::vector<std::string> Messages;
        unsigned char Size;
        while (jack_ringbuffer_read(Received, reinterpret_cast<char*>(&Size), 1) == 1) {
            std::vector<std::uint8_t> Bytes(Size);
            jack_ringbuffer_read(Received, reinterpret_cast<char*>(Bytes.data()), Size);
            Messages.push_back(WireText(Bytes.data(), Bytes.size()));
        }
        return Messages;
    }

private:
    static int Process(jack_nframes_t Frames, void* Self) {
        auto* Sink = static_cast<TMidiSink*>(Self);
        void* Buffer = jack_port_get_buffer(Sink->Input, Frames);
        const jack_nframes_t Count = jack_midi_get_event_count(Buffer);
        for (jack_nframes_t i = 0; i < Count; ++i) {
            jack_midi_event_t Event;
            if (jack_midi_event_get(&Event, Buffer, i) == 0 && Event.size < 256) {
                const auto Size = static_cast<unsigned char>(Event.size);
                jack_ringbuffer_write(Sink->Received, reinterpret_cast<const char*>(&Size), 1);
                jack_ringbuffer_write(Sink->Received, reinterpret_cast<const char*>(Event.buffer),
                                      Event.size);
            }
        }
        return 0;
    }

    jack_client_t* Client = nullptr;
    jack_port_t* Input = nullptr;
    jack_ringbuffer_t* Received = nullptr;
};

TEST(JackPort, ReceivesTheStartUpSequenceAndAChordByteForByte) {
    if (std::getenv("JACK_NO_START_SERVER") == nullptr) {
        GTEST_SKIP() << "run under with_jackd.sh";
    }
    TMidiSink Sink;
    ASSERT_TRUE(Sink.Running()) << "no JACK server";

    TRtMidiBackend Ports;
    int Device = -1;
    for (int i = 0; i < Ports.DeviceCount(); ++i) {
        if (Ports.DeviceName(i) == Sink.PortName()) {
            Device = i;
        }
    }
    ASSERT_GE(Device, 0) << "the sink's port is not listed";
    {
        TInstrument Instrument(Ports);
        ASSERT_TRUE(Instrument.Open(Device));
        Instrument.SoundOff();   // the program button: silence,
        Instrument.SetVoice(49); // then the program
        Instrument.SoundOff();   // the reset of the progression
        TChordVariant Variant = cvNormal;
        Instrument.PlayChord(TCalculatorEx::ChordOf(Variant, {{'C', 0}, mdMajor}, 1));
    } // closing silences once more
    std::this_thread::sleep_for(200ms);

    const std::vector<std::string> Want = {
        "B0 7B 00", "B0 7B 00", "B0 7B 00", "C0 30",    "B0 7B 00", // start-up
        "B0 7B 00", "90 60 40", "90 5B 40", "90 58 40", "90 54 40", // the chord
        "90 4F 40", "90 4C 40", "90 48 40", "90 43 40", "90 40 40", "90 3C 40", "90 30 40",
        "B0 7B 00", // destruction
    };
    EXPECT_EQ(Sink.Take(), Want);
}

// The built-in synth's audio client is listed under the program's name.
TEST(JackPort, TheSynthsAudioClientIsNamedKadenzo) {
    if (std::getenv("JACK_NO_START_SERVER") == nullptr) {
        GTEST_SKIP() << "run under with_jackd.sh";
    }
    TMidiSink Sink;
    ASSERT_TRUE(Sink.Running()) << "no JACK server";
    TFluidSynthBackend Synth(TFluidSynthBackend::TOutput::SoundServer, {{"jack", 0, 0}});
    ASSERT_TRUE(Synth.Open(0).has_value());
    const char** Ports = jack_get_ports(Sink.Handle(), "^Kadenzo:", nullptr, 0);
    ASSERT_NE(Ports, nullptr) << "no port of a client named Kadenzo";
    EXPECT_NE(Ports[0], nullptr);
    jack_free(Ports);
}

} // namespace
