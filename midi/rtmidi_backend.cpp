#include "midi/rtmidi_backend.h"

#include "midi/library_messages.h"
#include "midi/midi_message.h"
#include "midi/rtmidi_ports.h"

#include <RtMidi.h>
#include <jack/jack.h>
#include <unistd.h>

#include <iostream>
#include <sstream>

namespace {

void QuietRtMidi(RtMidiError::Type, const std::string&, void*) {}

bool HasAlsaSequencer() {
    return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

// Asks the JACK server itself, so that RtMidi never makes a client that cannot connect.
bool HasJackServer() {
    jack_status_t Status;
    jack_client_t* Probe = jack_client_open("Kadenzo probe", JackNoStartServer, &Status);
    if (Probe == nullptr) {
        return false;
    }
    jack_client_close(Probe);
    return true;
}

// A client of one API, or none when the API's server cannot be reached.
std::unique_ptr<RtMidiOut> MakeClient(RtMidi::Api Api) {
    TQuietCerr Quiet;
    try {
        auto Client = std::make_unique<RtMidiOut>(Api, kClientName);
        Client->setErrorCallback(QuietRtMidi);
        return Client;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

std::vector<RtMidi::Api> ReachableApis() {
    SilenceAudioLibraryMessages();
    std::vector<RtMidi::Api> Apis;
    if (HasAlsaSequencer()) {
        Apis.push_back(RtMidi::LINUX_ALSA);
    }
    if (HasJackServer()) {
        Apis.push_back(RtMidi::UNIX_JACK);
    }
    return Apis;
}

} // namespace

TRtMidiBackend::TRtMidiBackend() = default;

// The ports are listed when they are first asked for: a program shows its window before it
// lists devices.
const std::vector<TRtMidiBackend::TPort>& TRtMidiBackend::Ports() {
    if (!Listed) {
        Listed = true;
        ListPorts();
    }
    return PortList;
}

void TRtMidiBackend::ListPorts() {
    for (const RtMidi::Api Api : ReachableApis()) {
        const std::unique_ptr<RtMidiOut> Client = MakeClient(Api);
        if (!Client) {
            continue;
        }
        TQuietCerr Quiet;
        const unsigned int Count = Client->getPortCount();
        for (unsigned int i = 0; i < Count; ++i) {
            const std::string Name = Client->getPortName(i);
            if (!Name.empty() && !IsOwnPort(Name)) {
                PortList.push_back({Api, Name});
            }
        }
    }
}

TRtMidiBackend::~TRtMidiBackend() = default;

int TRtMidiBackend::DeviceCount() {
    return static_cast<int>(Ports().size());
}

std::optional<std::string> TRtMidiBackend::DeviceName(int Device) {
    if (Device < 0 || Device >= DeviceCount()) {
        return std::nullopt;
    }
    return Ports()[static_cast<std::size_t>(Device)].Name;
}

std::optional<TMidiHandle> TRtMidiBackend::Open(int Device) {
    if (Device < 0 || Device >= DeviceCount()) {
        return std::nullopt;
    }
    const TPort& Port = Ports()[static_cast<std::size_t>(Device)];
    std::unique_ptr<RtMidiOut> Client = MakeClient(static_cast<RtMidi::Api>(Port.Api));
    if (!Client) {
        return std::nullopt;
    }
    // Ports may have come and gone since the list was made: find this one by its name.
    TQuietCerr Quiet;
    try {
        const unsigned int Count = Client->getPortCount();
        for (unsigned int i = 0; i < Count; ++i) {
            if (Client->getPortName(i) == Port.Name) {
                Client->openPort(i, "Output");
                const TMidiHandle Handle = NextHandle++;
                Opened.emplace(Handle, std::move(Client));
                return Handle;
            }
        }
    } catch (const RtMidiError&) {
    }
    return std::nullopt;
}

void TRtMidiBackend::Send(TMidiHandle Handle, std::uint32_t Message) {
    const auto Found = Opened.find(Handle);
    if (Found == Opened.end()) {
        return;
    }
    const TShortMessage Short = UnpackShortMessage(Message);
    try {
        Found->second->sendMessage(Short.Bytes.data(), Short.Size);
    } catch (const RtMidiError&) {
        // A failed send is not reported, as with any device.
    }
}

void TRtMidiBackend::Close(TMidiHandle Handle) {
    Opened.erase(Handle);
}
