#pragma once

// What the RtMidi output and input sides share.

#include "midi/midi_backend.h"

#include <iostream>
#include <sstream>
#include <string>

// RtMidi reports a failed connection on std::cerr before it throws, and before an error
// callback can be set: keep that off the terminal while a client is being made.
class TQuietCerr {
public:
    TQuietCerr() : Saved(std::cerr.rdbuf(Sink.rdbuf())) {}
    ~TQuietCerr() { std::cerr.rdbuf(Saved); }
    TQuietCerr(const TQuietCerr&) = delete;
    TQuietCerr& operator=(const TQuietCerr&) = delete;

private:
    std::ostringstream Sink;
    std::streambuf* Saved;
};

// Whether a port is one of the program's own: our client is named kClientName on the ALSA
// sequencer and on JACK, where a second client of the same name gets "-01", "-02"... after it.
// Never listed, so that what we play cannot come back to our input, nor our thru to itself.
inline bool IsOwnPort(const std::string& Name) {
    const std::string Own = kClientName;
    return Name.size() > Own.size() && Name.compare(0, Own.size(), Own) == 0 &&
           (Name[Own.size()] == ':' || Name[Own.size()] == '-');
}
