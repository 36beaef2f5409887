#include "midi/library_messages.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

namespace {

void QuietJack(const char*) {}

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

} // namespace

void SilenceAudioLibraryMessages() {
    jack_set_error_function(QuietJack);
    jack_set_info_function(QuietJack);
    snd_lib_error_set_handler(QuietAlsa);
}
