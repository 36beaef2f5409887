#include "harmony/fatal_exit.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

TFatalExitHandler& InstalledHandler() {
    static TFatalExitHandler Handler;
    return Handler;
}

[[noreturn]] void EndProcess(const std::string& Message) {
    std::fwrite(Message.data(), 1, Message.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    // No clean-up: nothing of the program may run after a fatal error.
    std::_Exit(EXIT_FAILURE);
}

} // namespace

TFatalExitHandler SetFatalExitHandler(TFatalExitHandler Handler) {
    return std::exchange(InstalledHandler(), std::move(Handler));
}

void FatalExit(const std::string& Message) {
    if (const TFatalExitHandler& Handler = InstalledHandler()) {
        Handler(Message);
    }
    EndProcess(Message);
}
