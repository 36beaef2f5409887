// The sound never waits for the display: every command that plays a chord hands all of it to
// the device before it writes a single line.
#include "midi/recording_backend.h"
#include "progression/form_main_model.h"
#include "tests/progression/test_view.h"

#include <gtest/gtest.h>

namespace {

// Counts the note-ons handed over before the display first changed.
class TFirstChange : public TLinesListener {
public:
    explicit TFirstChange(const TRecordingBackend& Backend) : Backend(Backend) {}
    void Start() { NoteOnsBefore.reset(); }
    void LineChanged(int) override { Note(); }
    void LinesReset() override { Note(); }
    std::optional<int> NoteOnsBefore;

private:
    void Note() {
        if (!NoteOnsBefore) {
            NoteOnsBefore = NoteOns();
        }
    }
    int NoteOns() const {
        int Count = 0;
        for (const auto& Event : Backend.Events()) {
            Count += Event.Kind == TRecordingBackend::TEventKind::Message &&
                     (Event.Message & 0xF0) == 0x90;
        }
        return Count;
    }
    const TRecordingBackend& Backend;
};

struct Command {
    const char* What;
    std::uint16_t Key;
    TShiftState Shift;
    bool Plays;
};

TEST(SoundFirst, EveryCommandThatPlaysSoundsBeforeItWrites) {
    const Command Commands[] = {
        {"degree 1", '1', 0, true},
        {"E, named outside the key, with a pivot", 'E', 0, true},
        {"Space, the next reading", ' ', 0, true},
        {"Ctrl+Alt+2, a secondary dominant", '2', ssCtrl | ssAlt, true},
        {"Home", 36, 0, false},
        {"Enter, the first chord again", 13, 0, true},
        {"Enter, through the change of key", 13, 0, true},
        {"Enter", 13, 0, true},
    };
    TRecordingBackend Backend({"Recorder 0"});
    TRecordingView View;
    TFormMainModel Form(Backend, View);
    TFirstChange Watch(Backend);
    Form.Lines().SetListener(&Watch);
    Form.FormShow();
    for (const Command& c : Commands) {
        SCOPED_TRACE(c.What);
        Backend.ClearEvents();
        Watch.Start();
        std::uint16_t Key = c.Key;
        Form.OnKeyDown(Key, c.Shift);
        ASSERT_TRUE(Watch.NoteOnsBefore.has_value()) << "the display did not change";
        if (c.Plays) {
            EXPECT_GE(*Watch.NoteOnsBefore, 3);
        }
    }
    EXPECT_EQ(Form.GetCursor(), 3);
    Form.Lines().SetListener(nullptr);
}

// A device that does not open at start-up ends the program with the back end's reason under
// the message; a back end with nothing to add leaves the message alone.
TEST(StartUpDeathTest, ADeviceThatDoesNotOpenEndsTheProgramWithTheReason) {
    const auto StartWith = [](const std::string& Reason) {
        TRecordingBackend Backend({"Synth"});
        Backend.FailToOpen(0, Reason);
        TRecordingView View;
        TFormMainModel Form(Backend, View);
        Form.FormShow();
    };
    EXPECT_EXIT(StartWith("音声出力 (ALSA) のどれにもつながりません。"),
                testing::ExitedWithCode(EXIT_FAILURE),
                "^TInstrument.Openが失敗\n音声出力 \\(ALSA\\) のどれにもつながりません。\n$");
    EXPECT_EXIT(StartWith(""), testing::ExitedWithCode(EXIT_FAILURE), "^TInstrument.Openが失敗\n$");
}

} // namespace
