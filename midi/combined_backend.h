#pragma once

#include "midi/midi_backend.h"

#include <map>
#include <memory>
#include <vector>

// Several MIDI systems as one: their devices numbered one after the other in the order the
// parts are given. The default device -1 is the first part's default device.
class TCombinedBackend : public TMidiBackend {
public:
    explicit TCombinedBackend(std::vector<std::unique_ptr<TMidiBackend>> Parts);

    int DeviceCount() override;
    std::optional<std::string> DeviceName(int Device) override;
    std::optional<TMidiHandle> Open(int Device) override;
    void Send(TMidiHandle Handle, std::uint32_t Message) override;
    void Close(TMidiHandle Handle) override;
    std::string WhyOpenFailed(int Device) override;

private:
    struct TLocal {
        TMidiBackend* Part;
        int Device;
    };
    struct TOpened {
        TMidiBackend* Part;
        TMidiHandle Handle;
    };

    std::optional<TLocal> Locate(int Device);

    std::vector<std::unique_ptr<TMidiBackend>> Parts;
    std::map<TMidiHandle, TOpened> Opened;
    TMidiHandle NextHandle = 1;
};

// The MIDI system of a Linux desktop: the built-in synthesizer as device 0 (and as the
// default device), then the ALSA sequencer's and JACK's output ports.
std::unique_ptr<TMidiBackend> MakeSystemMidiBackend();
