// The bounds of the key table and of the program number, key code by key code.
#include "midi/midi_message.h"
#include "midi/recording_backend.h"
#include "progression/form_main_model.h"
#include "tests/progression/test_view.h"

#include <gtest/gtest.h>

namespace {

struct TSession {
    TRecordingBackend Backend{{"Recorder 0"}};
    TRecordingView View;
    TFormMainModel Form{Backend, View};
    TSession() { Form.FormShow(); }
};

// What one key without modifiers does right after the start, in C major: the degree of the
// chord it places (0 for a named chord), or nothing.
std::optional<std::int32_t> PlacedBy(std::uint16_t Key) {
    TSession Session;
    std::uint16_t Pressed = Key; // the handler consumes it: set to 0
    Session.Form.OnKeyDown(Pressed, 0);
    if (Session.Form.GetProgression().empty()) {
        return std::nullopt;
    }
    return Key >= 'A' && Key <= 'G' ? 0 : Session.Form.GetProgression().back().Degree;
}

TEST(KeyTable, OnlyDigitsOneToSevenAndTheLettersAToGPlaceAChord) {
    for (int Key = 0; Key < 256; ++Key) {
        SCOPED_TRACE(Key);
        std::optional<std::int32_t> Want;
        if (Key >= '1' && Key <= '7') {
            Want = Key - '0';
        } else if (Key >= 97 && Key <= 103) { // the keypad's 1..7
            Want = Key - 96;
        } else if (Key >= 'A' && Key <= 'G') {
            Want = 0;
        }
        EXPECT_EQ(PlacedBy(static_cast<std::uint16_t>(Key)), Want);
    }
}

struct ProgramCase {
    const char* Text;
    std::optional<std::uint32_t> Sent; // the program change, if one is sent
};

TEST(ProgramNumber, OneToOneHundredTwentyEightAreSentAsProgramsZeroToOneHundredTwentySeven) {
    const ProgramCase Cases[] = {
        {"1", 0x00C0}, {"128", 0x7FC0}, {"49", 0x30C0}, {"$80", 0x7FC0},
        {"0", {}},     {"129", {}},     {"-1", {}},     {"12a", {}},
    };
    for (const ProgramCase& c : Cases) {
        SCOPED_TRACE(c.Text);
        TSession Session;
        Session.Backend.ClearEvents();
        Session.Form.SetVoiceNoText(c.Text);
        Session.Form.ButtonVoiceNoClick();
        const std::vector<std::uint32_t> Sent = Session.Backend.MessagesTo(0);
        std::vector<std::uint32_t> Want = {AllNotesOffMessage};
        if (c.Sent) {
            Want.push_back(AllNotesOffMessage); // SetVoice silences before it changes
            Want.push_back(*c.Sent);
        }
        EXPECT_EQ(Sent, Want);
        EXPECT_EQ(Session.View.Shown.empty(), c.Sent.has_value()) << Session.View.Shown;
    }
}

} // namespace
