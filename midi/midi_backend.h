#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The name the program gives itself to sound servers and MIDI systems (PulseAudio's client and
// stream, JACK's and the ALSA sequencer's clients), so that their mixers and lists show it.
inline constexpr const char* kClientName = "Kadenzo";

// A device opened by a back end; its meaning is the back end's own.
using TMidiHandle = std::uint32_t;

// What the instrument needs of a MIDI system: numbered output devices with names, opened one
// at a time, that take packed short messages (status in the lowest byte, then the data bytes).
class TMidiBackend {
public:
    virtual ~TMidiBackend() = default;
    virtual int DeviceCount() = 0;
    virtual std::optional<std::string> DeviceName(int Device) = 0;
    // Device -1 is the default device.
    virtual std::optional<TMidiHandle> Open(int Device) = 0;
    virtual void Send(TMidiHandle Handle, std::uint32_t Message) = 0;
    virtual void Close(TMidiHandle Handle) = 0;
    // After Open(Device) failed: what was tried and what would help, for the person at the
    // computer (in Japanese), or "" when the back end has nothing to add.
    virtual std::string WhyOpenFailed(int /*Device*/) { return {}; }
};
