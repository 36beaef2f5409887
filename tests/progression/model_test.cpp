// The model as its views meet it: what the chord line shows after Space, what the views are
// told, and which four voices each entry keeps for the score and the exports.
#include "midi/recording_backend.h"
#include "progression/form_main_model.h"
#include "progression/key_codes.h"
#include "progression/score_layout.h"
#include "progression/voicing.h"
#include "tests/progression/test_view.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct TKey {
    std::uint16_t Key;
    TShiftState Shift = 0;
};

class TModel : public TProgressionListener {
public:
    TModel() : Backend({"Recorder 0"}), Form(Backend, View) {
        Form.FormShow();
        Form.AddListener(*this);
    }
    ~TModel() override { Form.RemoveListener(*this); }
    void Press(TKey K) {
        std::uint16_t Key = K.Key;
        Form.OnKeyDown(Key, K.Shift);
    }
    void Release(TKey K) { Form.OnKeyUp(K.Key, K.Shift); }
    void ProgressionChanged(const TProgressionChange& Change) override { Told.push_back(Change); }
    // The four notes sounded last, top down.
    TFourVoices LastNotes() const {
        std::vector<int> On;
        for (const auto& Event : Backend.Events()) {
            if (Event.Kind == TRecordingBackend::TEventKind::Message &&
                (Event.Message & 0xF0) == 0x90) {
                On.push_back(static_cast<int>(Event.Message >> 8 & 0x7F));
            }
        }
        return {On[On.size() - 4], On[On.size() - 3], On[On.size() - 2], On[On.size() - 1]};
    }

    TRecordingBackend Backend;
    TRecordingView View;
    TFormMainModel Form;
    std::vector<TProgressionChange> Told;
};

std::string ChordLine(TFormMainModel& Form) {
    return Form.Lines().Get(TDisplayLayout::kChordLine);
}

std::string LastName(const std::string& Line) {
    const std::size_t End = Line.find_last_of(' ');
    return End == std::string::npos ? Line : Line.substr(End + 1);
}

// The chord line without its last name and the blanks before it.
std::string BeforeLastName(const std::string& Line) {
    const std::size_t End = Line.find_last_of(' ');
    const std::size_t Kept = Line.find_last_not_of(' ', End == std::string::npos ? 0 : End);
    return End == std::string::npos || Kept == std::string::npos ? std::string()
                                                                 : Line.substr(0, Kept + 1);
}

// F, then B♭ with Down held, then Space three times in C major: the third reading (B♭ major)
// has a wider key label, and the name moves right whole.
TEST(ChordLine, SpaceWritesTheNameAgainWithNothingLeftOfTheOldOne) {
    TModel M;
    M.Press({'F'});
    M.Press({vkDown});
    M.Press({'B'});
    M.Release({vkDown});
    for (int i = 0; i < 3; ++i) {
        M.Press({vkSpace});
    }
    EXPECT_EQ(ChordLine(M.Form), "     Ｆ       Ｂ♭");
}

// Over random sessions, Space changes nothing on the chord line but where the last name
// stands: the same name, whole, after the same names.
TEST(ChordLine, SpaceMovesOnlyTheLastName) {
    const TKey Keys[] = {{'1'},          {'2'},
                         {'5'},          {'6'},
                         {'A'},          {'B'},
                         {'D'},          {'E'},
                         {'F'},          {'G', ssShift},
                         {'C', ssAlt},   {vkSpace},
                         {vkSpace},      {vkSpace},
                         {vkEnter},      {vkHome},
                         {vkUp, ssCtrl}, {vkRight, ssCtrl},
                         {'2', ssCtrl},  {'5', ssCtrl | ssAlt}};
    std::mt19937 Random(17);
    for (int Session = 0; Session < 40; ++Session) {
        TModel M;
        for (int Step = 0; Step < 60; ++Step) {
            const bool Down = Random() % 4 == 0;
            if (Down) {
                M.Press({vkDown});
            }
            const TKey K = Keys[Random() % std::size(Keys)];
            const std::string Before = ChordLine(M.Form);
            const std::size_t Entries = M.Form.GetProgression().size();
            M.Press(K);
            if (Down) {
                M.Release({vkDown});
            }
            if (K.Key == vkSpace && M.Form.GetProgression().size() == Entries &&
                ChordLine(M.Form) != Before) {
                SCOPED_TRACE("session " + std::to_string(Session) + ": " + Before + " / " +
                             ChordLine(M.Form));
                ASSERT_EQ(LastName(ChordLine(M.Form)), LastName(Before));
                ASSERT_EQ(BeforeLastName(ChordLine(M.Form)), BeforeLastName(Before));
            }
        }
    }
}

// Each command tells the views the first entry it changed and the chord at the cursor, once.
TEST(ModelListeners, AreToldWhatChangedAfterEachCommand) {
    using TChange = std::pair<std::optional<std::size_t>, std::optional<std::size_t>>;
    struct TStep {
        const char* What;
        TKey Key;
        std::vector<TChange> Want;
    };
    const TStep kSteps[] = {
        {"1", {'1'}, {{0, 0}}},
        {"5", {'5'}, {{1, 1}}},
        {"E, named with a pivot", {'E'}, {{2, 2}}},
        {"Space: a new reading of E", {vkSpace}, {{2, 2}}},
        {"Ctrl+Up: a key change, no entry", {vkUp, ssCtrl}, {}},
        {"Home", {vkHome}, {{std::nullopt, std::nullopt}}},
        {"Home again: nothing changed", {vkHome}, {}},
        {"Enter", {vkEnter}, {{std::nullopt, 0}}},
        {"3 over the second entry", {'3'}, {{1, 1}}},
        {"Space after a digit: nothing", {vkSpace}, {}},
    };
    TModel M;
    for (const TStep& s : kSteps) {
        SCOPED_TRACE(s.What);
        M.Told.clear();
        M.Press(s.Key);
        std::vector<TChange> Got;
        for (const TProgressionChange& c : M.Told) {
            Got.emplace_back(c.FirstChanged, c.Current);
        }
        EXPECT_EQ(Got, s.Want);
    }
    M.Told.clear();
    M.Form.ButtonInitClick();
    ASSERT_EQ(M.Told.size(), 1u);
    EXPECT_EQ(M.Told[0].FirstChanged, std::optional<std::size_t>(0));
}

// Four-part I, V, a block VI, four-part IV: the score and the MIDI file show the voices that
// sounded, and lead only the block chord, from the voices before it.
TEST(ModelVoices, TheScoreAndTheExportsShowTheVoicesThatSounded) {
    TModel M;
    std::vector<std::optional<TFourVoices>> Sounded;
    for (const auto& [Key, Voicing] : {std::pair{'1', TVoicing::FourPart},
                                       {'5', TVoicing::FourPart},
                                       {'6', TVoicing::Block},
                                       {'4', TVoicing::FourPart}}) {
        M.Form.SetVoicing(Voicing);
        M.Press({static_cast<std::uint16_t>(Key)});
        Sounded.push_back(Voicing == TVoicing::FourPart ? std::optional(M.LastNotes())
                                                        : std::nullopt);
    }
    const std::vector<TProgressionEntry>& Entries = M.Form.GetProgression();
    const std::vector<TScoreMeasure> Score = ScoreMeasures(Entries);
    const std::vector<std::vector<int>> Exported = SoundingNotes(Entries, TVoicing::FourPart);
    ASSERT_EQ(Score.size(), 4u);
    std::optional<TVoicedChord> Previous;
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Entries[i].Voices, Sounded[i]);
        const TFourVoices Shown{Score[i].Notes[0].Midi, Score[i].Notes[1].Midi,
                                Score[i].Notes[2].Midi, Score[i].Notes[3].Midi};
        Previous = VoicedChordOf(Entries[i], Previous);
        EXPECT_EQ(Shown, Sounded[i] ? *Sounded[i] : Previous->Voices);
        EXPECT_EQ(Exported[i], std::vector<int>(Shown.begin(), Shown.end()));
    }
    // Replayed in four parts after Home, each entry keeps the voices it sounded with then:
    // the block chord's, and the IV's, led now from them.
    M.Form.SetVoicing(TVoicing::FourPart);
    M.Press({vkHome});
    for (std::size_t i = 0; i < 4; ++i) {
        M.Press({vkEnter});
        EXPECT_EQ(M.Form.GetProgression()[i].Voices, std::optional(M.LastNotes())) << i;
    }
    EXPECT_NE(M.Form.GetProgression()[3].Voices, Sounded[3]);
}

} // namespace
