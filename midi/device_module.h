#pragma once

#include "midi/midi_backend.h"
#include "midi/midi_input.h"

#include <future>
#include <memory>
#include <string>

// The real devices (the built-in synthesizer and its audio output, RtMidi's output and input
// ports) are a module of their own, with the forty-odd sound and MIDI libraries they link: the
// program's window is on the screen before the dynamic linker has mapped and bound any of them.
inline constexpr const char* kDeviceModule = "kadenzo-devices.so";

// What the module exports under the name kDeviceModuleEntry: the system's MIDI devices and
// input ports, made into *Devices and *Input (a C name, so that it can be looked up; the
// interfaces stay the C++ ones).
inline constexpr const char* kDeviceModuleEntry = "KadenzoMakeSystemMidi";
using TDeviceModuleEntry = void (*)(std::unique_ptr<TMidiBackend>* Devices,
                                    std::unique_ptr<TMidiInput>* Input);

// The devices and input ports that a module makes, loaded on first use or, after
// LoadInBackground, on a thread of its own; until they are there, each call waits for them.
// A module that cannot be loaded has neither devices nor ports, and WhyOpenFailed says why.
class TDeviceModule : public TMidiBackend {
public:
    // File is a path, or a name looked for as the dynamic linker looks for the program's
    // libraries (its run path first).
    explicit TDeviceModule(std::string File = kDeviceModule);
    ~TDeviceModule() override;
    TDeviceModule(const TDeviceModule&) = delete;
    TDeviceModule& operator=(const TDeviceModule&) = delete;

    // Starts loading the module on another thread, so that the first call finds the devices
    // made (or waits only for the rest).
    void LoadInBackground();
    // The module's input ports, which live as long as this does.
    TMidiInput& Input();

    int DeviceCount() override;
    std::optional<std::string> DeviceName(int Device) override;
    std::optional<TMidiHandle> Open(int Device) override;
    void Send(TMidiHandle Handle, std::uint32_t Message) override;
    void Close(TMidiHandle Handle) override;
    std::string WhyOpenFailed(int Device) override;

private:
    struct TLoaded;
    class TInput;
    static std::unique_ptr<TLoaded> Load(const std::string& File);
    TLoaded& Loaded();

    std::string File;
    std::future<std::unique_ptr<TLoaded>> Loading;
    std::unique_ptr<TLoaded> Module;
    std::unique_ptr<TInput> InputPorts;
};
