#pragma once

#include "midi/midi_backend.h"

#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TPulseOutput;

// The built-in software synthesizer: one device that plays Debian's General MIDI SoundFont
// through the desktop's sound server. Settings, synth, SoundFont and audio driver are made
// and destroyed here and nowhere else.
class TFluidSynthBackend : public TMidiBackend {
public:
    static constexpr const char* DeviceLabel = "内蔵シンセサイザー (FluidSynth)";

    // How the synth's audio leaves it: through a sound server, or only by Render (tests,
    // measurements), in which case no audio driver is ever started.
    enum class TOutput { SoundServer, Offline };

    // The audio drivers tried in turn, each with the smallest buffer that plays without
    // dropouts. PulseAudio's buffer adapts: it starts at PeriodSize frames and may double
    // Periods times. Tests may narrow the list.
    struct TDriverSetup {
        std::string Name;
        int PeriodSize;
        int Periods;
    };
    static std::vector<TDriverSetup> DefaultDrivers();

    // The first of Debian's General MIDI SoundFonts that exists.
    static std::optional<std::string> FindSoundFont();

    explicit TFluidSynthBackend(TOutput Output = TOutput::SoundServer,
                                std::vector<TDriverSetup> Drivers = DefaultDrivers());
    ~TFluidSynthBackend() override;

    // Starts reading the SoundFont on another thread, so that the first Open finds it ready
    // (or waits only for the rest).
    void LoadInBackground();

    int DeviceCount() override;
    std::optional<std::string> DeviceName(int Device) override;
    // Device 0, or -1 (the default device): loads the SoundFont on first use, then starts
    // the audio. Fails, without side effects, when no SoundFont or no driver can be had.
    std::optional<TMidiHandle> Open(int Device) override;
    void Send(TMidiHandle Handle, std::uint32_t Message) override;
    void Close(TMidiHandle Handle) override;

    // Offline output only: renders Frames stereo frames from the synth.
    void Render(float* Left, float* Right, int Frames);
    double SampleRate() const;
    // The driver now playing ("" when none).
    std::string AudioDriver() const;
    // Our own PulseAudio client while it plays (nullptr with any other driver).
    const TPulseOutput* PulseOutput() const;
    // Also while the device is open but its sound server has gone away and is being sought
    // again: PulseAudio's reason, and that the next sound after its return will be heard.
    std::string WhyOpenFailed(int Device) override;

private:
    struct TSynth;
    static std::unique_ptr<TSynth> LoadSynth();
    bool EnsureSynth();
    bool StartAudio();
    bool StartSynthDriver(const TDriverSetup& Setup);
    bool StartPulseAudio(const TDriverSetup& Setup);
    void ResetChannels();
    void ChooseProgram(int Channel, int Program);

    TOutput Output;
    std::vector<TDriverSetup> Drivers;
    std::future<std::unique_ptr<TSynth>> Loading;
    std::unique_ptr<TSynth> Synth;
    bool IsOpen = false;
    // The audio outputs the last Open tried, in order, by their usual names, each with its
    // library's reason where it gave one.
    struct TTriedOutput {
        std::string Name;
        std::string Reason;
    };
    std::vector<TTriedOutput> TriedOutputs;
};
