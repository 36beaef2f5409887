// The model as its views meet it: the chord line after Space, what the views are told, and
// which four voices each entry keeps for the score and the exports.
#include "midi/recording_backend.h"
#include "progression/form_main_model.h"
#include "progression/key_codes.h"
#include "progression/score_layout.h"
#include "progression/voicing.h"
#include "tests/progression/test_view.h"

#include <gtest/gtest.h>

namespace {

class TModel : public TProgressionListener {
public:
    TModel() : Backend({"Recorder 0"}), Form(Backend, View) {
        Form.FormShow();
        Form.AddListener(*this);
    }
    ~TModel() override { Form.RemoveListener(*this); }
    void Press(std::uint16_t Key, TShiftState Shift = 0) { Form.OnKeyDown(Key, Shift); }
    void ProgressionChanged(const TProgressionChange& Change) override { Told.push_back(Change); }
    // The four notes sounded last, top down.
    TFourVoices LastNotes() const {
        const std::vector<std::uint32_t> Sent = Backend.MessagesTo(0);
        TFourVoices Notes{};
        for (std::size_t v = 0; v < 4; ++v) {
            Notes[v] = static_cast<int>(Sent[Sent.size() - 4 + v] >> 8 & 0x7F);
        }
        return Notes;
    }

    TRecordingBackend Backend;
    TRecordingView View;
    TFormMainModel Form;
    std::vector<TProgressionChange> Told;
};

// F, then B♭ with Down held, then Space three times in C major: the third reading (B♭ major)
// has a wider key label, and the name moves right whole, leaving nothing of the old one.
TEST(ChordLine, SpaceWritesTheNameAgainWithNothingLeftOfTheOldOne) {
    TModel M;
    M.Press('F');
    M.Press(vkDown);
    M.Press('B');
    M.Form.OnKeyUp(vkDown, 0);
    for (int i = 0; i < 3; ++i) {
        M.Press(vkSpace);
    }
    EXPECT_EQ(M.Form.Lines().Get(TDisplayLayout::kChordLine), "     Ｆ       Ｂ♭");
}

// Each command tells the views, once, the first entry it changed and the chord at the cursor.
TEST(ModelListeners, AreToldWhatChangedAfterEachCommand) {
    using TChange = std::pair<std::optional<std::size_t>, std::optional<std::size_t>>;
    const std::size_t None = 99;
    const struct {
        std::uint16_t Key;
        TShiftState Shift;
        std::vector<std::pair<std::size_t, std::size_t>> Want; // None for nothing
    } kSteps[] = {
        {'1', 0, {{0, 0}}},     {'5', 0, {{1, 1}}},        {'E', 0, {{2, 2}}},
        {vkSpace, 0, {{2, 2}}}, {vkUp, ssCtrl, {}},        {vkHome, 0, {{None, None}}},
        {vkHome, 0, {}},        {vkEnter, 0, {{None, 0}}}, {'3', 0, {{1, 1}}},
        {vkSpace, 0, {}},
    };
    const auto Maybe = [&](std::size_t N) { return N == None ? std::nullopt : std::optional(N); };
    TModel M;
    for (const auto& s : kSteps) {
        SCOPED_TRACE(std::to_string(&s - kSteps));
        M.Told.clear();
        M.Press(s.Key, s.Shift);
        std::vector<TChange> Got, Want;
        for (const TProgressionChange& c : M.Told) {
            Got.emplace_back(c.FirstChanged, c.Current);
        }
        for (const auto& [First, Current] : s.Want) {
            Want.emplace_back(Maybe(First), Maybe(Current));
        }
        EXPECT_EQ(Got, Want);
    }
}

// Four-part I, V, a block VI, four-part IV: the score and the MIDI file show the voices that
// sounded, and lead only the block chord, from the chord before it. A replay in four parts
// after Home keeps what it sounded: the VI's voices, and the IV's led now from them.
TEST(ModelVoices, TheScoreAndTheExportsShowTheVoicesThatSounded) {
    TModel M;
    std::vector<std::optional<TFourVoices>> Sounded;
    for (const char Key : {'1', '5', '6', '4'}) {
        M.Form.SetVoicing(Key == '6' ? TVoicing::Block : TVoicing::FourPart);
        M.Press(static_cast<std::uint16_t>(Key));
        Sounded.push_back(Key == '6' ? std::nullopt : std::optional(M.LastNotes()));
    }
    const std::vector<TProgressionEntry>& Entries = M.Form.GetProgression();
    const std::vector<TScoreMeasure> Score = ScoreMeasures(Entries);
    const std::vector<std::vector<int>> Exported = SoundingNotes(Entries, TVoicing::FourPart);
    std::optional<TVoicedChord> Previous;
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Entries[i].Voices, Sounded[i]) << i;
        Previous = VoicedChordOf(Entries[i], Previous);
        const TFourVoices Shown = Sounded[i] ? *Sounded[i] : Previous->Voices;
        const std::vector<int> Want(Shown.begin(), Shown.end());
        EXPECT_EQ(Exported[i], Want) << i;
        for (std::size_t v = 0; v < 4; ++v) {
            EXPECT_EQ(Score[i].Notes[v].Midi, Want[v]) << i;
        }
    }
    M.Press(vkHome);
    for (std::size_t i = 0; i < 4; ++i) {
        M.Press(vkEnter);
        EXPECT_EQ(Entries[i].Voices, std::optional(M.LastNotes())) << i;
    }
    EXPECT_NE(Entries[3].Voices, Sounded[3]);
}

} // namespace
