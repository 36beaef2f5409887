#pragma once

#include <functional>
#include <string>

// The one way the program ends on an error it cannot go on from (a note letter outside A..G,
// a MIDI device that cannot be opened at start-up). The handler is replaceable so that the
// window can show the message first and the key-script runner can print it.
using TFatalExitHandler = std::function<void(const std::string& Message)>;

// Installs Handler and returns the one it replaces; an empty handler restores the default,
// which writes the message to standard error and ends the process with a non-zero status.
TFatalExitHandler SetFatalExitHandler(TFatalExitHandler Handler);

// Hands Message to the installed handler. Should the handler return, the process ends anyway:
// the caller never continues. (A handler may throw instead; the exception then propagates.)
[[noreturn]] void FatalExit(const std::string& Message);
