#include "harmony/calculator.h"
#include "midi/combined_backend.h"
#include "midi/instrument.h"
#include "midi/midi_message.h"
#include "midi/recording_backend.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using TEvent = TRecordingBackend::TEvent;
using TKind = TRecordingBackend::TEventKind;

TChord ChordAt(TTonality Key, int Degree, TChordVariant Variant = cvNormal) {
    return TCalculatorEx::ChordOf(Variant, Key, Degree);
}

// Messages as their wire bytes in hex, "B0 7B 00".
std::string Wire(std::uint32_t Packed) {
    return WireText(UnpackShortMessage(Packed));
}

std::vector<std::string> Wire(const std::vector<std::uint32_t>& Messages) {
    std::vector<std::string> Texts;
    for (const std::uint32_t Message : Messages) {
        Texts.push_back(Wire(Message));
    }
    return Texts;
}

std::vector<std::string> NoteOns(const std::vector<int>& Notes) {
    std::vector<std::string> Texts;
    for (const int Note : Notes) {
        Texts.push_back(Wire(NoteOnMessage(Note, 64)));
    }
    return Texts;
}

struct TFixture {
    TRecordingBackend Backend{{"Recorder 0", "Recorder 1"}};
    TInstrument Instrument{Backend};
};

struct VoicingCase {
    const char* Name;
    TChord Chord;
    std::vector<int> Notes; // upper register, then bass, in sending order
};

TEST(PlayChord, VoicesEveryChordOverFiveOctaves) {
    const TTonality CMajor{{'C', 0}, mdMajor};
    const TTonality AMinor{{'A', 0}, mdMinor};
    const VoicingCase Cases[] = {
        {"C major I", ChordAt(CMajor, 1), {96, 91, 88, 84, 79, 76, 72, 67, 64, 60, 48}},
        {"C major V", ChordAt(CMajor, 5), {95, 91, 86, 83, 79, 74, 71, 67, 62, 55, 43}},
        {"A minor V", ChordAt(AMinor, 5), {95, 92, 88, 83, 80, 76, 71, 68, 64, 52, 40}},
        {"A minor VII", ChordAt(AMinor, 7), {95, 92, 86, 83, 80, 74, 71, 68, 62, 56, 44}},
        {"A minor -II",
         ChordAt(AMinor, 2, cvNeapolitan),
         {94, 89, 86, 82, 77, 74, 70, 65, 62, 58, 46}},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.Name);
        TFixture F;
        ASSERT_TRUE(F.Instrument.Open(0));
        F.Backend.ClearEvents();
        F.Instrument.PlayChord(c.Chord);
        std::vector<std::string> Want = {"B0 7B 00"};
        for (const std::string& Note : NoteOns(c.Notes)) {
            Want.push_back(Note);
        }
        EXPECT_EQ(Wire(F.Backend.MessagesTo(0)), Want);
    }
}

TEST(PlayChord, CMajorStartsOnTheWireAsDocumented) {
    TFixture F;
    ASSERT_TRUE(F.Instrument.Open(0));
    F.Backend.ClearEvents();
    F.Instrument.PlayChord(ChordAt({{'C', 0}, mdMajor}, 1));
    const std::vector<std::string> Sent = Wire(F.Backend.MessagesTo(0));
    ASSERT_GE(Sent.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(Sent.begin(), Sent.begin() + 4),
              (std::vector<std::string>{"B0 7B 00", "90 60 40", "90 5B 40", "90 58 40"}));
}

TEST(PlayChord, EachChordFirstSilencesTheOneBefore) {
    TFixture F;
    ASSERT_TRUE(F.Instrument.Open(0));
    F.Instrument.PlayChord(ChordAt({{'C', 0}, mdMajor}, 1));
    F.Backend.ClearEvents();
    F.Instrument.PlayChord(ChordAt({{'C', 0}, mdMajor}, 5));
    const std::vector<std::string> Sent = Wire(F.Backend.MessagesTo(0));
    ASSERT_EQ(Sent.size(), 12u);
    EXPECT_EQ(Sent.front(), "B0 7B 00");
}

TEST(SetVoice, SendsTheProgramCountedFromZero) {
    const std::pair<int, std::vector<std::string>> Cases[] = {
        {1, {"B0 7B 00", "C0 00"}},
        {49, {"B0 7B 00", "C0 30"}},
        {128, {"B0 7B 00", "C0 7F"}},
        // no valid data byte: silenced, no program change
        {0, {"B0 7B 00"}},
        {129, {"B0 7B 00"}},
        {-5, {"B0 7B 00"}},
    };
    for (const auto& [Program, Want] : Cases) {
        SCOPED_TRACE(Program);
        TFixture F;
        ASSERT_TRUE(F.Instrument.Open(0));
        F.Backend.ClearEvents();
        F.Instrument.SetVoice(Program);
        EXPECT_EQ(Wire(F.Backend.MessagesTo(0)), Want);
    }
}

// Events as text: "open 0", "close 0", "midi 1 B0 7B 00".
std::vector<std::string> Describe(const std::vector<TEvent>& Events) {
    std::vector<std::string> Texts;
    for (const TEvent& Event : Events) {
        const std::string Device = std::to_string(Event.Device);
        switch (Event.Kind) {
        case TKind::Open:
            Texts.push_back("open " + Device);
            break;
        case TKind::Close:
            Texts.push_back("close " + Device);
            break;
        case TKind::Message:
            Texts.push_back("midi " + Device + " " + Wire(Event.Message));
            break;
        }
    }
    return Texts;
}

TEST(Open, MovesFromOneDeviceToTheNext) {
    TFixture F;
    EXPECT_TRUE(F.Instrument.Open(0));
    EXPECT_TRUE(F.Instrument.Open(1));
    EXPECT_EQ(Describe(F.Backend.Events()),
              (std::vector<std::string>{"open 0", "midi 0 B0 7B 00", "midi 0 B0 7B 00", "close 0",
                                        "open 1", "midi 1 B0 7B 00"}));
}

TEST(Open, AFailedOpenLeavesNoDeviceAndDropsMessages) {
    TFixture F;
    F.Backend.FailToOpen(1);
    EXPECT_TRUE(F.Instrument.Open(0));
    EXPECT_FALSE(F.Instrument.Open(1));
    F.Instrument.PlayChord(ChordAt({{'C', 0}, mdMajor}, 1));
    F.Instrument.SetVoice(49);
    EXPECT_TRUE(F.Instrument.Open(-1)); // nothing left to close
    EXPECT_FALSE(F.Instrument.Open(2)); // no such device
    EXPECT_EQ(
        Describe(F.Backend.Events()),
        (std::vector<std::string>{"open 0", "midi 0 B0 7B 00", "midi 0 B0 7B 00", "close 0",
                                  "open -1", "midi -1 B0 7B 00", "midi -1 B0 7B 00", "close -1"}));
}

TEST(Destruction, SilencesAndClosesTheOpenDevice) {
    TRecordingBackend Backend({"Recorder 0"});
    { TInstrument Unused(Backend); }
    EXPECT_TRUE(Backend.Events().empty());
    {
        TInstrument Instrument(Backend);
        Instrument.Open(0);
        Backend.ClearEvents();
    }
    EXPECT_EQ(Describe(Backend.Events()), (std::vector<std::string>{"midi 0 B0 7B 00", "close 0"}));
}

TEST(GetDevProp, NamesListedDevicesOnly) {
    TFixture F;
    std::string Name = "unchanged";
    EXPECT_EQ(F.Instrument.GetDevCount(), 2);
    EXPECT_TRUE(F.Instrument.GetDevProp(1, Name));
    EXPECT_EQ(Name, "Recorder 1");
    EXPECT_FALSE(F.Instrument.GetDevProp(2, Name));
    EXPECT_FALSE(F.Instrument.GetDevProp(-1, Name));
    EXPECT_EQ(Name, "Recorder 1");
}

TEST(CombinedBackend, NumbersThePartsDevicesInOrder) {
    auto First = std::make_unique<TRecordingBackend>(std::vector<std::string>{"synth"});
    auto Second = std::make_unique<TRecordingBackend>(std::vector<std::string>{"port a", "port b"});
    TRecordingBackend& Ports = *Second;
    TRecordingBackend& Synth = *First;
    std::vector<std::unique_ptr<TMidiBackend>> Parts;
    Parts.push_back(std::move(First));
    Parts.push_back(std::move(Second));
    TCombinedBackend Combined(std::move(Parts));

    EXPECT_EQ(Combined.DeviceCount(), 3);
    EXPECT_EQ(Combined.DeviceName(0), "synth");
    EXPECT_EQ(Combined.DeviceName(2), "port b");
    EXPECT_EQ(Combined.DeviceName(3), std::nullopt);
    EXPECT_EQ(Combined.DeviceName(-1), std::nullopt);

    TInstrument Instrument(Combined);
    EXPECT_TRUE(Instrument.Open(2));
    EXPECT_TRUE(Instrument.Open(-1));
    EXPECT_FALSE(Instrument.Open(3));
    EXPECT_EQ(Describe(Ports.Events()), (std::vector<std::string>{"open 1", "midi 1 B0 7B 00",
                                                                  "midi 1 B0 7B 00", "close 1"}));
    EXPECT_EQ(Describe(Synth.Events()), (std::vector<std::string>{"open -1", "midi -1 B0 7B 00",
                                                                  "midi -1 B0 7B 00", "close -1"}));

    // Why a device did not open is its own part's answer, for the part's own number.
    Ports.FailToOpen(1, "port b is gone");
    Synth.FailToOpen(1, "not this one");
    EXPECT_EQ(Combined.WhyOpenFailed(2), "port b is gone");
    EXPECT_EQ(Combined.WhyOpenFailed(1), "");
    EXPECT_EQ(Combined.WhyOpenFailed(3), "");
}

} // namespace
