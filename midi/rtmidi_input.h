#pragma once

#include "midi/midi_input.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The system's MIDI input ports: every port of the ALSA sequencer, then every port of a running
// JACK server, named as RtMidi names them, less the program's own ports (playing our output
// into our input would loop). The port opened is the program's: "Kadenzo:Input" on JACK, a port
// "Input" of the client "Kadenzo" on the ALSA sequencer. Receive runs on RtMidi's input thread
// (on JACK, the process thread: it must not block); Lost runs on a watcher thread of our own
// that follows the sequencer's announcements or the JACK server's port and shutdown news.
class TRtMidiInput : public TMidiInput {
public:
    TRtMidiInput();
    // Not from inside Lost.
    ~TRtMidiInput() override;
    TRtMidiInput(const TRtMidiInput&) = delete;
    TRtMidiInput& operator=(const TRtMidiInput&) = delete;

    void Refresh() override;
    int PortCount() override;
    std::optional<std::string> PortName(int Port) override;
    bool Open(int Port, TReceive Receive, TLost Lost) override;
    void Close() override;

private:
    struct TPort {
        int Api; // RtMidi::Api
        std::string Name;
    };
    class TSession;

    const std::vector<TPort>& Ports();
    void PortLost(TSession* Session, const std::string& Why);

    bool Listed = false;
    std::vector<TPort> PortList;

    std::mutex Lock;
    std::unique_ptr<TSession> Current;                // under Lock
    std::vector<std::unique_ptr<TSession>> LostPorts; // under Lock: Lost running or done
};
