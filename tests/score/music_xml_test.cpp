#include "score/music_xml.h"

#include "harmony/calculator.h"
#include "harmony/four_part.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Runs a command and gives what it printed; Status gets its exit status.
std::string Output(const std::string& Command, int& Status) {
    std::string Text;
    FILE* Pipe = popen(Command.c_str(), "r");
    if (Pipe == nullptr) {
        Status = -1;
        return Text;
    }
    char Buffer[4096];
    std::size_t Got;
    while ((Got = fread(Buffer, 1, sizeof Buffer, Pipe)) > 0) {
        Text.append(Buffer, Got);
    }
    Status = pclose(Pipe);
    return Text;
}

class TScoreFile {
public:
    explicit TScoreFile(const std::string& Score)
        : Path(testing::TempDir() + "kadenzo-score-" + std::to_string(getpid()) + ".musicxml") {
        std::ofstream(Path, std::ios::binary) << Score;
    }
    ~TScoreFile() { unlink(Path.c_str()); }
    const std::string& Name() const { return Path; }
    TScoreFile(const TScoreFile&) = delete;
    TScoreFile& operator=(const TScoreFile&) = delete;

    // Validated against the MusicXML 3.0 schema, offline.
    std::string Validate() const {
        int Status = 0;
        const std::string Schema = KADENZO_MUSICXML_SCHEMA_DIR;
        const std::string Said = Output("XML_CATALOG_FILES=" + Schema +
                                            "/catalog.xml xmllint --nonet --noout --schema " +
                                            Schema + "/musicxml.xsd.gz " + Path + " 2>&1",
                                        Status);
        return Status == 0 ? std::string() : Said;
    }

    // The text of the nodes an XPath expression selects, one per line.
    std::vector<std::string> Select(const std::string& XPath) const {
        int Status = 0;
        std::istringstream Lines(
            Output("xmllint --nonet --xpath '" + XPath + "' " + Path + " 2>/dev/null", Status));
        std::vector<std::string> Out;
        for (std::string Line; std::getline(Lines, Line);) {
            Out.push_back(Line);
        }
        return Out;
    }

private:
    std::string Path;
};

TProgressionEntry At(char Letter, int Accidental, TMode Mode, int Degree,
                     TChordVariant Variant = cvNormal) {
    return {{{Letter, Accidental}, Mode}, Degree, Variant};
}

// C major I IV V I, a pivot into G major (I of C read as IV of G), then E major's V (B major,
// D♯ on the staff) and the Neapolitan of A minor.
const std::vector<TProgressionEntry> kProgression = {
    At('C', 0, mdMajor, 1),
    At('C', 0, mdMajor, 4),
    At('C', 0, mdMajor, 5),
    At('C', 0, mdMajor, 1),
    At('G', 0, mdMajor, 5),
    At('E', 0, mdMajor, 5),
    At('A', 0, mdMinor, 2, cvNeapolitan),
};

int MidiOf(const std::string& Step, int Alter, int Octave) {
    const std::string Steps = "C D EF G A B";
    return 12 * (Octave + 1) + static_cast<int>(Steps.find(Step)) + Alter;
}

TEST(MusicXml, ValidAgainstTheSchemaAndReadsBackKeysPitchesAndNumerals) {
    const TScoreFile File(MusicXmlScore(kProgression, "2026-12-09"));
    EXPECT_EQ(File.Validate(), "");
    EXPECT_EQ(File.Select("count(//measure)"), std::vector<std::string>{"7"});
    EXPECT_EQ(File.Select("string(//work-title)"), std::vector<std::string>{"カデンツォ"});
    EXPECT_EQ(File.Select("string(//encoding-date)"), std::vector<std::string>{"2026-12-09"});
    EXPECT_EQ(File.Select("//key/fifths/text()"), (std::vector<std::string>{"0", "1", "4", "0"}));
    EXPECT_EQ(File.Select("//key/mode/text()"),
              (std::vector<std::string>{"major", "major", "major", "minor"}));
    EXPECT_EQ(File.Select("//measure[@number=5]/attributes/key/fifths/text()"),
              std::vector<std::string>{"1"});
    EXPECT_EQ(File.Select("//lyric[@number=1]/text/text()"),
              (std::vector<std::string>{"Ⅰ", "Ⅳ", "Ⅴ", "Ⅰ", "Ⅴ", "Ⅴ", "-Ⅱ"}));
    EXPECT_EQ(File.Select("//measure[@number=4]//lyric[@number=2]/text/text()"),
              std::vector<std::string>{"Ｇ: Ⅳ"});
    EXPECT_EQ(File.Select("//function/text()").size(), 7u);
    EXPECT_EQ(File.Select("//measure[@number=6]/harmony/root/root-alter/text()"),
              std::vector<std::string>{});
    EXPECT_EQ(File.Select("string(//measure[@number=7]/harmony/root/root-step)"),
              std::vector<std::string>{"B"});
    EXPECT_EQ(File.Select("string(//measure[@number=7]/harmony/root/root-alter)"),
              std::vector<std::string>{"-1"});

    std::optional<TVoicedChord> Previous;
    for (std::size_t i = 0; i < kProgression.size(); ++i) {
        SCOPED_TRACE("measure " + std::to_string(i + 1));
        TChordVariant Variant = kProgression[i].Variant;
        const TChord Chord =
            TCalculatorEx::ChordOf(Variant, kProgression[i].Tonality, kProgression[i].Degree);
        const TFourPartChord Next = FourPartChordOf(Chord, kProgression[i].Tonality);
        Previous = TVoicedChord{LeadVoices(Previous, Next), Next};
        const std::string Measure = "//measure[@number=" + std::to_string(i + 1) + "]/note";
        const auto Steps = File.Select(Measure + "/pitch/step/text()");
        const auto Octaves = File.Select(Measure + "/pitch/octave/text()");
        ASSERT_EQ(Steps.size(), 4u);
        ASSERT_EQ(Octaves.size(), 4u);
        for (int v = 0; v < 4; ++v) {
            const std::string Note = Measure + "[" + std::to_string(v + 1) + "]";
            const auto Alter = File.Select("number(" + Note + "/pitch/alter)");
            const int Altered = Alter.front() == "NaN" ? 0 : std::stoi(Alter.front());
            EXPECT_EQ(MidiOf(Steps[v], Altered, std::stoi(Octaves[v])), Previous->Voices[v]) << v;
            EXPECT_EQ(File.Select("string(" + Note + "/staff)").front(), v < 2 ? "1" : "2");
            EXPECT_EQ(File.Select("string(" + Note + "/voice)").front(), std::to_string(v + 1));
        }
    }
    // B major in E major: its third is D♯, spelled as such.
    EXPECT_NE(File.Select("//measure[@number=6]/note/pitch[step=\"D\"]/alter/text()").size(), 0u);
    // The Neapolitan of A minor: B♭, never A♯.
    EXPECT_EQ(File.Select("//measure[@number=7]/note/pitch[step=\"A\"]").size(), 0u);
}

TEST(MusicXml, NamesEachChordsKind) {
    const TScoreFile File(MusicXmlScore(
        {At('A', 0, mdMinor, 1), At('C', 0, mdMajor, 7), At('F', 0, mdMajor, 1)}, "2026-12-09"));
    EXPECT_EQ(File.Validate(), "");
    EXPECT_EQ(File.Select("//harmony[not(@type)]/kind/text()"),
              (std::vector<std::string>{"minor", "diminished", "major"}));
}

// Keys past seven sharps or flats, up to the extremes a progression file holds, are written
// as their twins within seven: a valid score whose signatures and labels agree.
TEST(MusicXml, KeysPastSevenStayValidAsTheirTwins) {
    const TScoreFile File(MusicXmlScore(
        {At('C', 1, mdMajor, 1), At('G', 1, mdMajor, 5), At('G', 1, mdMajor, 1),
         At('C', 99, mdMajor, 1), At('B', -9, mdMinor, 5), At('E', 1, mdMinor, 2, cvNeapolitan)},
        "2026-12-09"));
    EXPECT_EQ(File.Validate(), "");
    EXPECT_EQ(File.Select("//key/fifths/text()"),
              (std::vector<std::string>{"7", "-4", "-3", "-1", "-4"}));
    EXPECT_EQ(File.Select("//direction//words/text()"),
              (std::vector<std::string>{"Ｃ♯:", "Ａ♭:", "Ｅ♭:", "ｄ:", "ｆ:"}));
    EXPECT_EQ(File.Select("//measure[@number=1]//lyric[@number=2]/text/text()"),
              std::vector<std::string>{"Ａ♭: Ⅳ"});
    EXPECT_EQ(File.Select("string(//measure[@number=2]/harmony/root/root-step)"),
              std::vector<std::string>{"E"});
}

TEST(MusicXml, AnEmptyProgressionIsStillAValidScore) {
    const TScoreFile File(MusicXmlScore({}, "2026-12-09"));
    EXPECT_EQ(File.Validate(), "");
    EXPECT_EQ(File.Select("count(//note/rest)"), std::vector<std::string>{"1"});
}

} // namespace

namespace {

// The export opened by a notation program: MuseScore converts it to a picture without an
// error, where it is installed.
TEST(MusicXml, MuseScoreReadsItWithoutAnError) {
    int Status = 0;
    const std::string Program = Output("command -v mscore3 || command -v musescore3", Status);
    if (Status != 0 || Program.empty()) {
        GTEST_SKIP() << "MuseScore 3 is not installed here";
    }
    const TScoreFile File(MusicXmlScore(kProgression, "2026-12-09"));
    const std::string Folder = testing::TempDir() + "kadenzo-musescore-" + std::to_string(getpid());
    const std::string Picture = Folder + "/score.png";
    const std::string Said = Output(
        "mkdir -p " + Folder + " && cd " + Folder + " && HOME=" + Folder +
            " XDG_CONFIG_HOME=" + Folder + " XDG_DATA_HOME=" + Folder +
            " XDG_RUNTIME_DIR=" + Folder + " QT_QPA_PLATFORM=offscreen timeout 120 " +
            Program.substr(0, Program.find('\n')) + " -o " + Picture + " " + File.Name() + " 2>&1",
        Status);
    std::ifstream Drawn(Folder + "/score-1.png", std::ios::binary | std::ios::ate);
    const auto Size = Drawn ? static_cast<long>(Drawn.tellg()) : 0L;
    Output("rm -rf " + Folder, Status);
    EXPECT_EQ(Said.find("Error"), std::string::npos) << Said;
    EXPECT_GT(Size, 10000) << Said;
}

} // namespace
