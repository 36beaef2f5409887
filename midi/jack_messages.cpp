#include "midi/jack_messages.h"

#include <jack/jack.h>

namespace {

void Quiet(const char*) {}

} // namespace

void SilenceJackMessages() {
    jack_set_error_function(Quiet);
    jack_set_info_function(Quiet);
}
