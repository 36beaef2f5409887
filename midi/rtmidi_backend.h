#pragma once

#include "midi/midi_backend.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class RtMidiOut;

// The system's MIDI output ports: every port of the ALSA sequencer, then every port of a
// running JACK server, listed once when first asked for and named as RtMidi names them.
// Without an ALSA sequencer or a JACK server the list simply lacks their ports.
class TRtMidiBackend : public TMidiBackend {
public:
    TRtMidiBackend();
    ~TRtMidiBackend() override;

    int DeviceCount() override;
    std::optional<std::string> DeviceName(int Device) override;
    // The default device -1 is none of these ports: it fails here.
    std::optional<TMidiHandle> Open(int Device) override;
    void Send(TMidiHandle Handle, std::uint32_t Message) override;
    void Close(TMidiHandle Handle) override;

private:
    struct TPort {
        int Api; // RtMidi::Api
        std::string Name;
    };

    const std::vector<TPort>& Ports();
    void ListPorts();

    bool Listed = false;
    std::vector<TPort> PortList;
    std::map<TMidiHandle, std::unique_ptr<RtMidiOut>> Opened;
    TMidiHandle NextHandle = 1;
};
