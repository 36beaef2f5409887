// The exports as the window and the runner call them, and the voices they show.
#include "score/export.h"

#include "progression/key_codes.h"
#include "score/midi_file.h"
#include "score/score_layout.h"
#include "tests/progression/test_model.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace {

TEST(ExportExtension, IsAddedOnlyToANameWithoutOne) {
    const struct {
        const char* Given;
        TExportFormat Format;
        const char* Want;
    } Cases[] = {
        {"/home/a/cadence", TExportFormat::MusicXml, "/home/a/cadence.musicxml"},
        {"/home/a/cadence", TExportFormat::MidiFile, "/home/a/cadence.mid"},
        {"cadence", TExportFormat::MidiFile, "cadence.mid"},
        {"/home/a.b/cadence", TExportFormat::MidiFile, "/home/a.b/cadence.mid"},
        {"/home/a/.cadence", TExportFormat::MidiFile, "/home/a/.cadence.mid"},
        {"/home/a/cadence.xml", TExportFormat::MusicXml, "/home/a/cadence.xml"},
        {"/home/a/cadence.MID", TExportFormat::MidiFile, "/home/a/cadence.MID"},
        {"/home/a/", TExportFormat::MidiFile, "/home/a/"},
    };
    for (const auto& c : Cases) {
        EXPECT_EQ(WithExportExtension(c.Given, c.Format), c.Want) << c.Given;
    }
}

TEST(ExportProgression, WritesTheWholeProgressionOrSaysWhyNot) {
    TModel M;
    for (const char Key : {'1', '4', '5', '1'}) {
        M.Press(static_cast<std::uint16_t>(Key));
    }
    M.Press(vkHome);
    const std::string Path = testing::TempDir() + "kadenzo-export-test.mid";
    ASSERT_EQ(ExportProgression(M.Form, TExportFormat::MidiFile, Path), std::nullopt);
    std::ifstream File(Path, std::ios::binary);
    const std::string Written((std::istreambuf_iterator<char>(File)),
                              std::istreambuf_iterator<char>());
    unlink(Path.c_str());
    EXPECT_EQ(Written, StandardMidiFile(M.Form.GetProgression(), 49, TVoicing::Block));

    const std::string Missing = testing::TempDir() + "kadenzo-no-such-folder/x.musicxml";
    EXPECT_EQ(ExportProgression(M.Form, TExportFormat::MusicXml, Missing),
              "「" + Missing + "」に書き出せませんでした。書き込む場所がありません。");
    EXPECT_EQ(WriteErrorReason(std::error_code(EXFULL, std::generic_category())),
              std::generic_category().message(EXFULL));
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
