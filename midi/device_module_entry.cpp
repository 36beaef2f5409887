// The device module's one exported function: the rest of the module, the devices and the
// libraries they link, is reached only through the TMidiBackend and TMidiInput it makes.
#include "midi/combined_backend.h"
#include "midi/device_module.h"
#include "midi/rtmidi_input.h"

#include <type_traits>

extern "C" void KadenzoMakeSystemMidi(std::unique_ptr<TMidiBackend>* Devices,
                                      std::unique_ptr<TMidiInput>* Input) {
    *Devices = MakeSystemMidiBackend();
    *Input = std::make_unique<TRtMidiInput>();
}
static_assert(std::is_same_v<decltype(&KadenzoMakeSystemMidi), TDeviceModuleEntry>);
