#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// A MIDI input system: numbered input ports with names, one open at a time, delivering each
// channel message (packed as TMidiBackend::Send takes them: status in the lowest byte) on the
// system's own thread. System messages (sysex, timing, active sensing) are not delivered.
class TMidiInput {
public:
    using TReceive = std::function<void(std::uint32_t Message)>;
    // Why: for the person at the computer (in Japanese).
    using TLost = std::function<void(std::string Why)>;
    virtual ~TMidiInput() = default;
    // Lists the ports anew, for a keyboard plugged in since; until then the count and the
    // names are those of the last listing (the first made when first asked for).
    virtual void Refresh() = 0;
    virtual int PortCount() = 0;
    virtual std::optional<std::string> PortName(int Port) = 0;
    // Opens Port (closing any other); Receive gets its messages, Lost is called once when the
    // port vanishes while open (unplugged, server stopped), after which it is closed. Lost may
    // call Close and Open; Receive may call neither. Neither may wait for the thread that
    // calls Close.
    virtual bool Open(int Port, TReceive Receive, TLost Lost) = 0;
    // Once it returns, neither Receive nor Lost is called again (called from inside Lost, that
    // Lost alone goes on to its end).
    virtual void Close() = 0;
};
