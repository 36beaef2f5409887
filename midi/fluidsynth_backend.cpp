#include "midi/fluidsynth_backend.h"

#include "midi/library_messages.h"
#include "midi/midi_message.h"
#include "midi/pulse_output.h"

#include <SDL.h>
#include <fluidsynth.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace {

using FluidSettings = std::unique_ptr<fluid_settings_t, decltype(&delete_fluid_settings)>;
using FluidSynth = std::unique_ptr<fluid_synth_t, decltype(&delete_fluid_synth)>;
using FluidAudioDriver =
    std::unique_ptr<fluid_audio_driver_t, decltype(&delete_fluid_audio_driver)>;

constexpr TMidiHandle kHandle = 1;
constexpr int kChannels = 16;
constexpr int kLoaderNice = 10;
constexpr int kResetAllControllers = 121;
constexpr int kPitchBendCentre = 8192;

const char* const kSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

void Quiet(int, const char*, void*) {}

// The audio drivers built into this FluidSynth.
std::set<std::string> AudioDriversOf(fluid_settings_t* Settings) {
    std::set<std::string> Drivers;
    fluid_settings_foreach_option(Settings, "audio.driver", &Drivers,
                                  [](void* Found, const char*, const char* Option) {
                                      static_cast<std::set<std::string>*>(Found)->insert(Option);
                                  });
    return Drivers;
}

// An audio output as its users know it.
std::string OutputName(const std::string& Driver) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"pipewire", "PipeWire"}, {"pulseaudio", "PulseAudio"}, {"alsa", "ALSA"}, {"jack", "JACK"},
        {"sdl2", "SDL2"},
    };
    for (const auto& [Known, Name] : kNames) {
        if (Driver == Known) {
            return Name;
        }
    }
    return Driver;
}

// A driver that cannot open is expected (no server, no sound card): the synth and libjack
// would otherwise print each failed attempt on the terminal.
void SilenceLibraries() {
    for (const int Level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
        fluid_set_log_function(Level, Quiet, nullptr);
    }
    SilenceAudioLibraryMessages();
}

// FluidSynth's SDL2 driver needs the program to start SDL's audio first.
class TSdlAudio {
public:
    TSdlAudio() : Started(SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {}
    ~TSdlAudio() {
        if (Started) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    TSdlAudio(const TSdlAudio&) = delete;
    TSdlAudio& operator=(const TSdlAudio&) = delete;

private:
    bool Started;
};

} // namespace

struct TFluidSynthBackend::TSynth {
    FluidSettings Settings{nullptr, delete_fluid_settings};
    FluidSynth Synth{nullptr, delete_fluid_synth};
    // Whether a channel has been given a program since the device opened. Presets are
    // chosen only for channels that play: choosing one loads its samples.
    std::array<bool, kChannels> ProgramChosen{};
    // Declared before the driver that may use it, so that it outlives it.
    std::unique_ptr<TSdlAudio> Sdl;
    FluidAudioDriver Driver{nullptr, delete_fluid_audio_driver};
    std::unique_ptr<TPulseOutput> Pulse;
    std::string DriverName;
};

std::vector<TFluidSynthBackend::TDriverSetup> TFluidSynthBackend::DefaultDrivers() {
    return {
        {"pipewire", 256, 2},
        // Twice the fluidsynth command line's buffer at first, doubled up to 1024 frames (23 ms)
        // only when the server runs dry while sound plays (bench/held_chord.sh).
        {"pulseaudio", 128, 3},
        {"alsa", 256, 2},
        {"jack", 0, 0}, // the JACK server decides the buffer
        {"sdl2", 512, 2},
    };
}

std::optional<std::string> TFluidSynthBackend::FindSoundFont() {
    for (const char* Path : kSoundFonts) {
        std::error_code Error;
        if (std::filesystem::is_regular_file(Path, Error)) {
            return std::string(Path);
        }
    }
    return std::nullopt;
}

TFluidSynthBackend::TFluidSynthBackend(TOutput Output, std::vector<TDriverSetup> Drivers)
    : Output(Output), Drivers(std::move(Drivers)) {
    SilenceLibraries();
}

TFluidSynthBackend::~TFluidSynthBackend() {
    if (Loading.valid()) {
        Loading.wait();
    }
}

void TFluidSynthBackend::LoadInBackground() {
    if (!Synth && !Loading.valid()) {
        Loading = std::async(std::launch::async, [] {
            // Behind the window being made and the display server drawing it.
            setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kLoaderNice);
            return LoadSynth();
        });
    }
}

int TFluidSynthBackend::DeviceCount() {
    return 1;
}

std::optional<std::string> TFluidSynthBackend::DeviceName(int Device) {
    if (Device != 0) {
        return std::nullopt;
    }
    return std::string(DeviceLabel);
}

std::optional<TMidiHandle> TFluidSynthBackend::Open(int Device) {
    if ((Device != 0 && Device != -1) || IsOpen || !EnsureSynth()) {
        return std::nullopt;
    }
    ResetChannels();
    if (Output == TOutput::SoundServer && !StartAudio()) {
        return std::nullopt;
    }
    IsOpen = true;
    return kHandle;
}

void TFluidSynthBackend::Send(TMidiHandle Handle, std::uint32_t Message) {
    if (Handle != kHandle || !IsOpen) {
        return;
    }
    fluid_synth_t* Fluid = Synth->Synth.get();
    const TShortMessage Short = UnpackShortMessage(Message);
    const int Channel = Short.Bytes[0] & 0x0F;
    const int Data1 = Short.Bytes[1] & 0x7F;
    const int Data2 = Short.Bytes[2] & 0x7F;
    switch (Short.Bytes[0] & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(Fluid, Channel, Data1);
        break;
    case 0x90:
        if (Data2 == 0) {
            fluid_synth_noteoff(Fluid, Channel, Data1);
        } else {
            if (!Synth->ProgramChosen[static_cast<std::size_t>(Channel)]) {
                ChooseProgram(Channel, 0); // the General MIDI default
            }
            fluid_synth_noteon(Fluid, Channel, Data1, Data2);
        }
        break;
    case 0xB0:
        fluid_synth_cc(Fluid, Channel, Data1, Data2);
        break;
    case 0xC0:
        ChooseProgram(Channel, Data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(Fluid, Channel, Data1 | (Data2 << 7));
        break;
    default:
        break; // nothing else is ever sent
    }
    if (Synth->Pulse) {
        Synth->Pulse->Wake();
    }
}

void TFluidSynthBackend::Close(TMidiHandle Handle) {
    if (Handle != kHandle || !IsOpen) {
        return;
    }
    IsOpen = false;
    // The synth and its SoundFont stay loaded, so that opening the device again is quick;
    // the sound server's stream is released.
    Synth->Driver.reset();
    Synth->Pulse.reset();
    Synth->Sdl.reset();
    Synth->DriverName.clear();
}

void TFluidSynthBackend::Render(float* Left, float* Right, int Frames) {
    if (Output == TOutput::Offline && Synth) {
        fluid_synth_write_float(Synth->Synth.get(), Frames, Left, 0, 1, Right, 0, 1);
    }
}

double TFluidSynthBackend::SampleRate() const {
    double Rate = 44100;
    if (Synth) {
        fluid_settings_getnum(Synth->Settings.get(), "synth.sample-rate", &Rate);
    }
    return Rate;
}

std::string TFluidSynthBackend::AudioDriver() const {
    return Synth ? Synth->DriverName : "";
}

const TPulseOutput* TFluidSynthBackend::PulseOutput() const {
    return Synth ? Synth->Pulse.get() : nullptr;
}

std::string TFluidSynthBackend::WhyOpenFailed(int Device) {
    if (Device != 0 && Device != -1) {
        return {};
    }
    if (IsOpen) {
        const std::string Lost = Synth->Pulse ? Synth->Pulse->LostBecause() : std::string();
        return Lost.empty() ? std::string()
                            : "PulseAudio との接続が切れました (" + Lost +
                                  ")。つなぎ直しています。サウンドサーバーが戻れば次の音から"
                                  "鳴ります。";
    }
    if (!Synth) {
        return "General MIDI の SoundFont が見つかりません (" + std::string(kSoundFonts[0]) +
               " など)。fluid-soundfont-gm を入れると鳴ります。";
    }
    std::string Tried, Reasons;
    for (const TTriedOutput& Output : TriedOutputs) {
        Tried += (Tried.empty() ? "" : "、") + Output.Name;
        if (!Output.Reason.empty()) {
            Reasons += (Reasons.empty() ? " (" : "、") + Output.Name + ": " + Output.Reason;
        }
    }
    return "音声出力 (" + (Tried.empty() ? std::string("なし") : Tried) +
           ") のどれにもつながりません" + (Reasons.empty() ? "" : Reasons + ")") +
           "。サウンドサーバー (PulseAudio、PipeWire または JACK) "
           "を起動するか、サウンドカードを確かめてください。";
}

// A device opened anew starts from the General MIDI defaults, as a hardware one would: no
// sound, controllers reset, and program 1 on every channel once it plays.
void TFluidSynthBackend::ResetChannels() {
    fluid_synth_t* Fluid = Synth->Synth.get();
    fluid_synth_all_sounds_off(Fluid, -1);
    for (int Channel = 0; Channel < kChannels; ++Channel) {
        fluid_synth_cc(Fluid, Channel, kResetAllControllers, 0);
        fluid_synth_pitch_bend(Fluid, Channel, kPitchBendCentre);
    }
    Synth->ProgramChosen.fill(false);
}

void TFluidSynthBackend::ChooseProgram(int Channel, int Program) {
    fluid_synth_program_change(Synth->Synth.get(), Channel, Program);
    Synth->ProgramChosen[static_cast<std::size_t>(Channel)] = true;
}

bool TFluidSynthBackend::EnsureSynth() {
    if (!Synth && Loading.valid()) {
        Synth = Loading.get();
    }
    if (!Synth) {
        Synth = LoadSynth();
    }
    return Synth != nullptr;
}

std::unique_ptr<TFluidSynthBackend::TSynth> TFluidSynthBackend::LoadSynth() {
    const std::optional<std::string> SoundFont = FindSoundFont();
    if (!SoundFont) {
        return nullptr;
    }
    auto Made = std::make_unique<TSynth>();
    Made->Settings.reset(new_fluid_settings());
    if (!Made->Settings) {
        return nullptr;
    }
    fluid_settings_t* Settings = Made->Settings.get();
    // Samples are read when a preset first sounds: the large SoundFont then loads in a
    // fraction of the time and memory.
    fluid_settings_setint(Settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(Settings, "synth.lock-memory", 0);
    fluid_settings_setint(Settings, "audio.jack.autoconnect", 1);
    fluid_settings_setstr(Settings, "audio.jack.id", kClientName);
    Made->Synth.reset(new_fluid_synth(Settings));
    // Loaded without choosing presets: each channel gets one when it first plays.
    if (!Made->Synth ||
        fluid_synth_sfload(Made->Synth.get(), SoundFont->c_str(), 0) == FLUID_FAILED) {
        return nullptr;
    }
    return Made;
}

bool TFluidSynthBackend::StartAudio() {
    // libjack would otherwise try to start a server of its own and wait seconds for it.
    setenv("JACK_NO_START_SERVER", "1", 1);
    TriedOutputs.clear();
    const std::set<std::string> BuiltInDrivers = AudioDriversOf(Synth->Settings.get());
    for (const TDriverSetup& Setup : Drivers) {
        // PulseAudio is played by our own client; the others by the synth's drivers it has.
        const bool OwnClient = Setup.Name == "pulseaudio";
        if (!OwnClient && BuiltInDrivers.count(Setup.Name) == 0) {
            continue;
        }
        TriedOutputs.push_back({OutputName(Setup.Name), {}});
        if (OwnClient ? StartPulseAudio(Setup) : StartSynthDriver(Setup)) {
            Synth->DriverName = Setup.Name;
            return true;
        }
    }
    return false;
}

bool TFluidSynthBackend::StartSynthDriver(const TDriverSetup& Setup) {
    fluid_settings_t* Settings = Synth->Settings.get();
    if (fluid_settings_setstr(Settings, "audio.driver", Setup.Name.c_str()) != FLUID_OK) {
        return false;
    }
    if (Setup.PeriodSize > 0) {
        fluid_settings_setint(Settings, "audio.period-size", Setup.PeriodSize);
        fluid_settings_setint(Settings, "audio.periods", Setup.Periods);
    }
    if (Setup.Name == "sdl2") {
        Synth->Sdl = std::make_unique<TSdlAudio>();
    }
    Synth->Driver.reset(new_fluid_audio_driver(Settings, Synth->Synth.get()));
    if (!Synth->Driver) {
        Synth->Sdl.reset();
    }
    return Synth->Driver != nullptr;
}

// Our own PulseAudio client rather than the synth's driver, which names itself "FluidSynth",
// never sleeps and stops for good when the server goes.
bool TFluidSynthBackend::StartPulseAudio(const TDriverSetup& Setup) {
    fluid_synth_t* Fluid = Synth->Synth.get();
    TPulseOutput::TOpened Opened = TPulseOutput::Open(
        [Fluid](float* Interleaved, int Frames) {
            fluid_synth_write_float(Fluid, Frames, Interleaved, 0, 2, Interleaved, 1, 2);
        },
        static_cast<int>(SampleRate()), {Setup.PeriodSize, Setup.PeriodSize << Setup.Periods});
    Synth->Pulse = std::move(Opened.Output);
    TriedOutputs.back().Reason = std::move(Opened.Error);
    return Synth->Pulse != nullptr;
}
