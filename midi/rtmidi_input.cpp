#include "midi/rtmidi_input.h"

#include "midi/library_messages.h"
#include "midi/midi_backend.h"
#include "midi/rtmidi_ports.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

namespace {

constexpr const char* kInputPortName = "Input"; // beside the output ports' "Output"

void QuietRtMidi(RtMidiError::Type, const std::string&, void*) {}

// A client of one API, or none when the API's server cannot be reached. On JACK without a
// server RtMidi makes a client that lists no port and opens none.
std::unique_ptr<RtMidiIn> MakeClient(RtMidi::Api Api) {
    SilenceAudioLibraryMessages();
    TQuietCerr Quiet;
    try {
        auto Client = std::make_unique<RtMidiIn>(Api, kClientName);
        Client->setErrorCallback(QuietRtMidi);
        return Client;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

// Only whole channel messages go on, whatever kinds of system message RtMidi's ignore flags
// let through on one API or another.
std::optional<std::uint32_t> PackChannelMessage(const std::vector<unsigned char>& Bytes) {
    if (Bytes.empty() || Bytes.size() > 3 || Bytes[0] < 0x80 || Bytes[0] >= 0xF0) {
        return std::nullopt;
    }
    std::uint32_t Packed = 0;
    for (std::size_t i = 0; i < Bytes.size(); ++i) {
        Packed |= static_cast<std::uint32_t>(Bytes[i]) << (8 * i);
    }
    return Packed;
}

void Deliver(double, std::vector<unsigned char>* Bytes, void* Receive) {
    if (const auto Packed = PackChannelMessage(*Bytes)) {
        (*static_cast<TMidiInput::TReceive*>(Receive))(*Packed);
    }
}

// A file descriptor that a notification from any thread, a real-time one too, makes readable.
class TWakeUp {
public:
    TWakeUp() : Fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~TWakeUp() {
        if (Fd >= 0) {
            close(Fd);
        }
    }
    TWakeUp(const TWakeUp&) = delete;
    TWakeUp& operator=(const TWakeUp&) = delete;

    bool Ok() const { return Fd >= 0; }
    int Handle() const { return Fd; }
    void Signal() {
        const std::uint64_t One = 1;
        [[maybe_unused]] const ssize_t Written = write(Fd, &One, sizeof One);
    }
    void Clear() {
        std::uint64_t Count;
        [[maybe_unused]] const ssize_t Read = read(Fd, &Count, sizeof Count);
    }

private:
    int Fd;
};

// Follows the system's news about ports (readable on SystemFds, or Wake signalled from the
// system's own thread) and tells when the open port is gone.
class TPortWatch {
public:
    virtual ~TPortWatch() = default;
    virtual bool Ok() const = 0;

    // Blocks until the port is gone (why, for the person at the computer) or Stop is called.
    std::optional<std::string> Wait() {
        for (;;) {
            if (Stopping) {
                return std::nullopt;
            }
            if (auto Why = WhyGone()) {
                return Why;
            }
            std::vector<pollfd> Fds = SystemFds();
            Fds.push_back({Wake.Handle(), POLLIN, 0});
            if (poll(Fds.data(), Fds.size(), -1) < 0 && errno != EINTR) {
                return std::nullopt;
            }
            Wake.Clear();
        }
    }
    void Stop() {
        Stopping = true;
        Wake.Signal();
    }
    // Whether the port went with its whole server, which may still be taking leave of its
    // clients.
    virtual bool ServerStopped() const { return false; }

protected:
    virtual std::optional<std::string> WhyGone() = 0;
    virtual std::vector<pollfd> SystemFds() { return {}; }

    TWakeUp Wake;

private:
    std::atomic<bool> Stopping{false};
};

std::string PortGone(const std::string& Name) {
    return "MIDI 入力 (" + Name + ") がなくなりました。";
}

// A JACK client of its own: RtMidi's client is told neither of ports leaving nor of the server
// stopping. The port is known by its handle, as the server's news names it: the name is still
// found for a period after the news, until the server's next cycle publishes the change.
class TJackWatch : public TPortWatch {
public:
    explicit TJackWatch(std::string Port)
        : Source(std::move(Port)),
          Client(jack_client_open(kClientName, JackNoStartServer, nullptr), &jack_client_close) {
        if (!Client) {
            return;
        }
        SourcePort = jack_port_by_name(Client.get(), Source.c_str());
        jack_set_port_registration_callback(Client.get(), &TJackWatch::PortRegistered, this);
        jack_on_shutdown(Client.get(), &TJackWatch::ServerShutDown, this);
        if (jack_activate(Client.get()) != 0) {
            Client.reset();
        }
    }
    bool Ok() const override { return Client != nullptr && Wake.Ok(); }
    bool ServerStopped() const override { return ServerGone; }

protected:
    std::optional<std::string> WhyGone() override {
        if (ServerGone) {
            return "JACK サーバーが止まりました。";
        }
        if (SourcePort == nullptr || SourceGone) {
            return PortGone(Source);
        }
        return std::nullopt;
    }

private:
    static void PortRegistered(jack_port_id_t Port, int Registered, void* Self) {
        auto* Watch = static_cast<TJackWatch*>(Self);
        if (Registered == 0 && jack_port_by_id(Watch->Client.get(), Port) == Watch->SourcePort) {
            Watch->SourceGone = true;
            Watch->Wake.Signal();
        }
    }
    static void ServerShutDown(void* Self) {
        auto* Watch = static_cast<TJackWatch*>(Self);
        Watch->ServerGone = true;
        Watch->Wake.Signal();
    }

    std::string Source;
    jack_port_t* SourcePort = nullptr; // set before the news can come
    std::atomic<bool> SourceGone{false};
    std::atomic<bool> ServerGone{false};
    std::unique_ptr<jack_client_t, decltype(&jack_client_close)> Client;
};

// RtMidi ends an ALSA port's name with its address: "Midi Through:Midi Through Port-0 14:0".
std::optional<snd_seq_addr_t> AlsaAddressOf(const std::string& Name) {
    snd_seq_addr_t Address;
    const std::string Last = Name.substr(Name.rfind(' ') + 1);
    if (snd_seq_parse_address(nullptr, &Address, Last.c_str()) < 0) {
        return std::nullopt;
    }
    return Address;
}

// A sequencer client of its own, subscribed to the system's announcements of clients and
// ports coming and going, which RtMidi's input thread reads past.
class TAlsaWatch : public TPortWatch {
public:
    explicit TAlsaWatch(const std::string& Port)
        : Name(Port), Source(AlsaAddressOf(Port)), Seq(nullptr, &snd_seq_close) {
        snd_seq_t* Opened;
        if (!Source || snd_seq_open(&Opened, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
            return;
        }
        Seq.reset(Opened);
        snd_seq_set_client_name(Opened, kClientName);
        const int Own = snd_seq_create_simple_port(
            Opened, "watch", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
            SND_SEQ_PORT_TYPE_APPLICATION);
        if (Own < 0 || snd_seq_connect_from(Opened, Own, SND_SEQ_CLIENT_SYSTEM,
                                            SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
            Seq.reset();
        }
    }
    bool Ok() const override { return Seq != nullptr && Wake.Ok(); }

protected:
    std::vector<pollfd> SystemFds() override {
        std::vector<pollfd> Fds(
            static_cast<std::size_t>(snd_seq_poll_descriptors_count(Seq.get(), POLLIN)));
        snd_seq_poll_descriptors(Seq.get(), Fds.data(), static_cast<unsigned int>(Fds.size()),
                                 POLLIN);
        return Fds;
    }
    std::optional<std::string> WhyGone() override {
        snd_seq_event_t* Event;
        while (snd_seq_event_input(Seq.get(), &Event) >= 0) {
        }
        snd_seq_port_info_t* Info;
        snd_seq_port_info_alloca(&Info);
        if (snd_seq_get_any_port_info(Seq.get(), Source->client, Source->port, Info) < 0) {
            return PortGone(Name);
        }
        return std::nullopt;
    }

private:
    std::string Name;
    std::optional<snd_seq_addr_t> Source;
    std::unique_ptr<snd_seq_t, decltype(&snd_seq_close)> Seq;
};

std::unique_ptr<TPortWatch> MakeWatch(RtMidi::Api Api, const std::string& Port) {
    std::unique_ptr<TPortWatch> Watch;
    if (Api == RtMidi::UNIX_JACK) {
        Watch = std::make_unique<TJackWatch>(Port);
    } else {
        Watch = std::make_unique<TAlsaWatch>(Port);
    }
    return Watch->Ok() ? std::move(Watch) : nullptr;
}

} // namespace

// Members are destroyed last to first: the watcher is joined before anything it reads goes,
// and RtMidi's client is gone before the Receive it calls.
class TRtMidiInput::TSession {
public:
    TReceive Receive;
    TLost Lost;
    std::unique_ptr<RtMidiIn> In;
    std::unique_ptr<TPortWatch> Watch;
    std::thread Watcher;
};

TRtMidiInput::TRtMidiInput() = default;

TRtMidiInput::~TRtMidiInput() {
    Close();
}

const std::vector<TRtMidiInput::TPort>& TRtMidiInput::Ports() {
    if (!Listed) {
        Refresh();
    }
    return PortList;
}

void TRtMidiInput::Refresh() {
    Listed = true;
    PortList.clear();
    for (const RtMidi::Api Api : {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK}) {
        const std::unique_ptr<RtMidiIn> Client = MakeClient(Api);
        if (!Client) {
            continue;
        }
        TQuietCerr Quiet;
        const unsigned int Count = Client->getPortCount();
        for (unsigned int i = 0; i < Count; ++i) {
            std::string Name = Client->getPortName(i);
            if (!Name.empty() && !IsOwnPort(Name)) {
                PortList.push_back({Api, std::move(Name)});
            }
        }
    }
}

int TRtMidiInput::PortCount() {
    return static_cast<int>(Ports().size());
}

std::optional<std::string> TRtMidiInput::PortName(int Port) {
    if (Port < 0 || Port >= PortCount()) {
        return std::nullopt;
    }
    return Ports()[static_cast<std::size_t>(Port)].Name;
}

bool TRtMidiInput::Open(int Port, TReceive Receive, TLost Lost) {
    Close();
    if (Port < 0 || Port >= PortCount()) {
        return false;
    }
    const TPort Wanted = Ports()[static_cast<std::size_t>(Port)];
    const auto Api = static_cast<RtMidi::Api>(Wanted.Api);
    auto Session = std::make_unique<TSession>();
    Session->Receive = std::move(Receive);
    Session->Lost = std::move(Lost);
    // RtMidi's client first, to have the plain name on JACK. A port that leaves while it is
    // opened is not missed: the watch looks for it before it waits for news.
    Session->In = MakeClient(Api);
    Session->Watch = MakeWatch(Api, Wanted.Name);
    if (!Session->Watch || !Session->In) {
        return false;
    }
    // Ports may have come and gone since the list was made: find this one by its name.
    TQuietCerr Quiet;
    RtMidiIn& In = *Session->In;
    try {
        In.ignoreTypes(true, true, true);
        In.setCallback(Deliver, &Session->Receive);
        const unsigned int Count = In.getPortCount();
        for (unsigned int i = 0; i < Count && !In.isPortOpen(); ++i) {
            if (In.getPortName(i) == Wanted.Name) {
                In.openPort(i, kInputPortName);
            }
        }
    } catch (const RtMidiError&) {
    }
    if (!In.isPortOpen()) {
        return false;
    }
    TSession* Opened = Session.get();
    const std::lock_guard<std::mutex> Guard(Lock);
    Current = std::move(Session);
    Opened->Watcher = std::thread([this, Opened] {
        if (const auto Why = Opened->Watch->Wait()) {
            PortLost(Opened, *Why);
        }
    });
    return true;
}

// On the session's watcher.
void TRtMidiInput::PortLost(TSession* Session, const std::string& Why) {
    {
        const std::lock_guard<std::mutex> Guard(Lock);
        if (Current.get() != Session) {
            return; // closed meanwhile: Close is waiting for this thread to end
        }
        LostPorts.push_back(std::move(Current));
    }
    // jackd 1.9.21 dies of SIGPIPE when a client leaves while it tells its clients that it
    // stops: RtMidi's client of a stopped server, which delivers nothing, is left for Close.
    if (!Session->Watch->ServerStopped()) {
        Session->In.reset();
    }
    Session->Lost(Why);
}

void TRtMidiInput::Close() {
    std::unique_ptr<TSession> Closing;
    std::vector<std::unique_ptr<TSession>> Finishing;
    {
        const std::lock_guard<std::mutex> Guard(Lock);
        Closing = std::move(Current);
        // A Close from inside Lost runs on that port's watcher, which cannot wait for itself:
        // it is joined by a later call.
        const auto Others =
            std::partition(LostPorts.begin(), LostPorts.end(), [](const auto& Session) {
                return Session->Watcher.get_id() == std::this_thread::get_id();
            });
        std::move(Others, LostPorts.end(), std::back_inserter(Finishing));
        LostPorts.erase(Others, LostPorts.end());
    }
    if (Closing) {
        Closing->In.reset();
        Closing->Watch->Stop();
        Closing->Watcher.join();
    }
    for (const auto& Session : Finishing) {
        Session->Watcher.join();
    }
}
