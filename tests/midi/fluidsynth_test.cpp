#include "audio_analysis.h"
#include "harmony/calculator.h"
#include "midi/combined_backend.h"
#include "midi/fluidsynth_backend.h"
#include "midi/instrument.h"
#include "midi/rtmidi_backend.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include <vector>

namespace {

struct TRendered {
    std::vector<float> Left, Right;
};

TRendered Render(TFluidSynthBackend& Synth, double Seconds) {
    const auto Frames = static_cast<int>(Seconds * Synth.SampleRate());
    TRendered Out{std::vector<float>(static_cast<std::size_t>(Frames)),
                  std::vector<float>(static_cast<std::size_t>(Frames))};
    Synth.Render(Out.Left.data(), Out.Right.data(), Frames);
    return Out;
}

struct SoundCase {
    const char* Name;
    TTonality Key;
    int Degree;
    std::vector<int> PitchClasses;
};

// The synth renders offline: program 49 (strings), the chord, then all notes off.
TEST(BuiltInSynth, PlaysTheChordsPitchClassesAndFallsSilent) {
    const SoundCase Cases[] = {
        {"C major I", {{'C', 0}, mdMajor}, 1, {0, 4, 7}},
        {"A minor VII", {{'A', 0}, mdMinor}, 7, {2, 8, 11}},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.Name);
        TFluidSynthBackend Synth(TFluidSynthBackend::TOutput::Offline);
        TInstrument Instrument(Synth);
        ASSERT_TRUE(Instrument.Open(0)) << "no SoundFont?";
        Instrument.SetVoice(49);
        TChordVariant Variant = cvNormal;
        Instrument.PlayChord(TCalculatorEx::ChordOf(Variant, c.Key, c.Degree));

        Render(Synth, 0.3); // the attack
        const TRendered Held = Render(Synth, 0.5);
        const double Loudness = Rms(Held.Left.data(), Held.Left.size());
        EXPECT_GT(Loudness, 0.01);
        const auto Energy =
            PitchClassEnergy(Held.Left.data(), Held.Left.size(), Synth.SampleRate());
        EXPECT_EQ(StrongestPitchClasses(Energy, 3), c.PitchClasses);

        Instrument.SoundOff();
        Render(Synth, 1.5); // the release
        const TRendered After = Render(Synth, 0.2);
        EXPECT_LT(Rms(After.Left.data(), After.Left.size()), Loudness / 100);
    }
}

// How much of a held chord's early level is left three seconds on: a piano's dies away,
// strings hold.
double LevelLeftAfterThreeSeconds(TFluidSynthBackend& Synth, TInstrument& Instrument) {
    TChordVariant Variant = cvNormal;
    Instrument.PlayChord(TCalculatorEx::ChordOf(Variant, {{'C', 0}, mdMajor}, 1));
    Render(Synth, 0.3);
    const TRendered Early = Render(Synth, 0.2);
    Render(Synth, 2.5);
    const TRendered Late = Render(Synth, 0.2);
    return Rms(Late.Left.data(), Late.Left.size()) / Rms(Early.Left.data(), Early.Left.size());
}

// A channel plays the General MIDI default (piano) until a program is chosen, and a device
// opened anew forgets the program chosen before.
TEST(BuiltInSynth, PlaysTheDefaultProgramUntilOneIsChosenAndForgetsItOnReopening) {
    TFluidSynthBackend Synth(TFluidSynthBackend::TOutput::Offline);
    TInstrument Instrument(Synth);
    ASSERT_TRUE(Instrument.Open(0)) << "no SoundFont?";
    const double Piano = LevelLeftAfterThreeSeconds(Synth, Instrument);
    Instrument.SetVoice(49);
    const double Strings = LevelLeftAfterThreeSeconds(Synth, Instrument);
    ASSERT_TRUE(Instrument.Open(0));
    const double Reopened = LevelLeftAfterThreeSeconds(Synth, Instrument);
    EXPECT_LT(Piano, 0.5);
    EXPECT_GT(Strings, 0.5);
    EXPECT_LT(Reopened, 0.5);
}

TEST(BuiltInSynth, IsOneDeviceWithItsName) {
    TFluidSynthBackend Synth(TFluidSynthBackend::TOutput::Offline);
    EXPECT_EQ(Synth.DeviceCount(), 1);
    EXPECT_EQ(Synth.DeviceName(0), "内蔵シンセサイザー (FluidSynth)");
    EXPECT_EQ(Synth.DeviceName(1), std::nullopt);
    EXPECT_EQ(Synth.Open(1), std::nullopt);
    EXPECT_TRUE(TFluidSynthBackend::FindSoundFont().has_value());
}

// No JACK server runs beside these tests (their resource lock), and the other name is no
// driver at all: every attempt fails, and nothing is left behind in the working folder.
TEST(BuiltInSynth, FailsToOpenWhenNoDriverWorks) {
    const std::filesystem::path Folder =
        std::filesystem::path(testing::TempDir()) / "kadenzo-no-driver";
    std::filesystem::create_directories(Folder);
    const std::filesystem::path Previous = std::filesystem::current_path();
    std::filesystem::current_path(Folder);
    // A PulseAudio server named where none listens: never one started for the test.
    setenv("PULSE_SERVER", ("unix:" + (Folder / "no-server").string()).c_str(), 1);
    {
        TFluidSynthBackend Synth(
            TFluidSynthBackend::TOutput::SoundServer,
            {{"no-such-driver", 512, 2}, {"pulseaudio", 384, 2}, {"jack", 0, 0}});
        TInstrument Instrument(Synth);
        EXPECT_FALSE(Instrument.Open(0));
        EXPECT_FALSE(Instrument.Open(-1));
        EXPECT_EQ(Synth.AudioDriver(), "");
        // Says what it tried (only the outputs this FluidSynth has), PulseAudio's own reason,
        // and what would help.
        EXPECT_EQ(Synth.WhyOpenFailed(0),
                  "音声出力 (PulseAudio、JACK) のどれにもつながりません (PulseAudio: Connection "
                  "refused)。サウンドサーバー (PulseAudio、PipeWire または JACK) を起動するか、"
                  "サウンドカードを確かめてください。");
        EXPECT_EQ(Synth.WhyOpenFailed(1), "");
    }
    unsetenv("PULSE_SERVER");
    std::filesystem::current_path(Previous);
    EXPECT_TRUE(std::filesystem::is_empty(Folder));
    std::filesystem::remove_all(Folder);
}

bool HasAlsaSequencer() {
    return access("/dev/snd/seq", F_OK) == 0;
}

TEST(SystemDevices, WithoutSequencerOrJackOnlyTheBuiltInSynthIsListed) {
    if (HasAlsaSequencer()) {
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    }
    EXPECT_EQ(TRtMidiBackend().DeviceCount(), 0);
    const auto System = MakeSystemMidiBackend();
    EXPECT_EQ(System->DeviceCount(), 1);
    EXPECT_EQ(System->DeviceName(0), TFluidSynthBackend::DeviceLabel);
}

} // namespace
