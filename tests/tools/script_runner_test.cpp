#include "harmony/fatal_exit.h"
#include "score/midi_file.h"
#include "tools/script_runner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

namespace {

using TOutcome = TScriptRunner::TOutcome;

TEST(ScriptRunner, RefusesEveryMalformedCommand) {
    const char* Malformed[] = {
        "down",
        "down 49",
        "down 49 ",
        "down  49 -",
        "down 49 -x",
        "down 49 SS",
        "down 49 CAC",
        "down 49 s",
        "down 65536 -",
        "down 123456 -",
        "down -1 -",
        "down 4a -",
        "up 38",
        "init ",
        "init x",
        "soundoff now",
        "write-cancel ",
        "read-cancel x",
        "select",
        "select ",
        "select +1",
        "select 1 ",
        "select 2147483648",
        "select --1",
        "select -",
        "press 49 -",
        "Down 49 -",
        " down 49 -",
        "down 49 -\r",
        "voicing",
        "voicing ",
        "voicing Block",
        "voicing four-part ",
        "voicing block four-part",
    };
    for (const char* Line : Malformed) {
        std::ostringstream Out;
        TScriptRunner Runner(Out);
        EXPECT_EQ(Runner.Run(Line), TOutcome::Malformed) << '"' << Line << '"';
        EXPECT_EQ(Out.str(), "") << Line;
    }
}

TEST(ScriptRunner, RunsWellFormedCommandsAndSkipsCommentsAndEmptyLines) {
    const char* WellFormed[] = {
        "down 49 -",      "up 38 C",
        "down 65535 SAC", "down 00049 CA",
        "init",           "select 2147483647",
        "soundoff",       "voice",
        "voice  7",       "select -2147483648",
        "select 0",       "write-cancel",
        "read-cancel",    "voicing four-part",
        "voicing block",
    };
    std::ostringstream Out;
    TScriptRunner Runner(Out);
    Runner.Start();
    for (const char* Line : WellFormed) {
        EXPECT_EQ(Runner.Run(Line), TOutcome::Ran) << Line;
    }
    for (const char* Line : {"", "# a comment", "#down 49 -"}) {
        EXPECT_EQ(Runner.Run(Line), TOutcome::Skipped) << Line;
        EXPECT_EQ(Runner.RunQuietly(Line), TOutcome::Skipped) << Line;
    }
    EXPECT_EQ(Runner.RunQuietly("down 49"), TOutcome::Malformed);
    EXPECT_NE(Out.str().find("> voice  7\n"), std::string::npos);
}

// A pipe with no writer and endless devices: the reading error at once, the progression kept.
TEST(ScriptRunner, ReadingWhatIsNoRegularFileKeepsTheProgression) {
    const std::string Pipe = testing::TempDir() + "kadenzo-pipe-" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(Pipe.c_str(), 0600), 0);
    for (const std::string& Name : {Pipe, std::string("/dev/zero"), std::string("/dev/null")}) {
        SCOPED_TRACE(Name);
        std::ostringstream Out;
        TScriptRunner Runner(Out);
        Runner.Start();
        Runner.RunQuietly("down 49 -");
        Runner.RunQuietly("down 53 -");
        EXPECT_EQ(Runner.Run("read " + Name), TOutcome::Ran);
        const std::string Shown = Out.str();
        EXPECT_NE(Shown.find("error コード進行の読込みでエラーが発生しました。\n"),
                  std::string::npos);
        EXPECT_NE(Shown.find("entry C 0010\nentry C 0050\n"), std::string::npos) << Shown;
    }
    unlink(Pipe.c_str());
}

// The whole progression goes out, wherever the cursor stands; a failure names the file.
TEST(ScriptRunner, ExportsTheWholeProgressionOrSaysWhichFileFailed) {
    const std::string Path =
        testing::TempDir() + "kadenzo-export-" + std::to_string(getpid()) + ".mid";
    std::ostringstream Out;
    TScriptRunner Runner(Out);
    Runner.Start();
    for (const char* Line : {"down 49 -", "down 53 -", "voicing four-part", "down 36 -"}) {
        Runner.RunQuietly(Line);
    }
    EXPECT_EQ(Runner.Run("export-midi " + Path), TOutcome::Ran);
    std::ifstream File(Path, std::ios::binary);
    const std::string Written((std::istreambuf_iterator<char>(File)),
                              std::istreambuf_iterator<char>());
    unlink(Path.c_str());
    EXPECT_EQ(Written, StandardMidiFile(Runner.Model().GetProgression(), 49, TVoicing::FourPart));
    EXPECT_EQ(Runner.Model().GetProgression().size(), 2u);
    const std::string Missing = testing::TempDir() + "kadenzo-no-such-folder/x.mid";
    Runner.Run("export-midi " + Missing);
    Runner.Run("export-midi");
    const std::string Score = Path + ".musicxml";
    Runner.Run("export-xml " + Score);
    std::ifstream Xml(Score, std::ios::binary);
    const std::string XmlText((std::istreambuf_iterator<char>(Xml)),
                              std::istreambuf_iterator<char>());
    unlink(Score.c_str());
    EXPECT_EQ(XmlText.find("<measure number=\"3\""), std::string::npos);
    EXPECT_NE(XmlText.find("<measure number=\"2\""), std::string::npos);
    Runner.Run("export-xml " + Missing + ".musicxml");
    const std::string Shown = Out.str();
    const std::string NoPlace = "」に書き出せませんでした。書き込む場所がありません。\n";
    EXPECT_NE(Shown.find("error 「" + Missing + NoPlace), std::string::npos);
    EXPECT_NE(Shown.find("error 「" + NoPlace), std::string::npos);
    EXPECT_NE(Shown.find("error 「" + Missing + ".musicxml" + NoPlace), std::string::npos);
    EXPECT_EQ(Shown.find("error 「" + Path), std::string::npos);
}

using TNextChunk = std::function<std::string(int Call)>;

// A script source that makes its text only when it is read, a chunk at a time; it ends with an
// empty chunk, or after 4 MiB.
struct TScriptSource : std::streambuf {
    explicit TScriptSource(TNextChunk Next) : Next(std::move(Next)) {}
    int_type underflow() override {
        Chunk = Served < (4u << 20) ? Next(Calls++) : "";
        if (Chunk.empty()) {
            return traits_type::eof();
        }
        Served += Chunk.size();
        setg(Chunk.data(), Chunk.data(), Chunk.data() + Chunk.size());
        return traits_type::to_int_type(Chunk[0]);
    }
    TNextChunk Next;
    std::string Chunk;
    int Calls = 0;
    std::size_t Served = 0;
};

// What a terminal shows: the text written up to the last flush.
struct TFlushedOutput : std::stringbuf {
    int sync() override {
        Shown = str();
        return 0;
    }
    std::string Shown;
};

// Each block begins with its command line, and nothing else of a block holds a '>'.
std::size_t BlocksIn(const std::string& Text) {
    return static_cast<std::size_t>(std::count(Text.begin(), Text.end(), '>'));
}

// Each line runs as it is read, its block shown before the next read; a line beyond the bound
// is refused before more is read, and so is a source that fails.
TEST(RunScript, RunsEachLineAsItIsReadAndStopsAtAnOverlongLine) {
    const std::string Longest = "#" + std::string(kMaxScriptLine - 1, 'x') + "\n";
    const struct {
        const char* What;
        TNextChunk Next;
        int Status;
        std::size_t Blocks;     // at the end
        std::size_t ShownAtEnd; // on the screen when the last chunk was asked for
        const char* Error;
    } Cases[] = {
        {"endless", [](int Call) -> std::string { return Call < 20 ? "up 49 -\n" : ""; }, 0, 21, 21,
         ""},
        {"/dev/zero", [](int) { return std::string(65536, '\0'); }, 2, 1, 1, "1: longer"},
        {"longest", [&](int Call) { return Call ? Call > 1 ? "" : "init" : Longest; }, 0, 2, 1, ""},
        {"a byte longer", [&](int Call) { return Call ? "" : "init\nx" + Longest; }, 2, 2, 0,
         "line 2: longer"},
        {"unreadable", [](int) -> std::string { throw std::ios_base::failure(""); }, 2, 0, 0,
         "cannot read src"},
        {"failing later",
         [](int Call) { return Call ? throw std::ios_base::failure("") : std::string("init\n"); },
         2, 2, 2, "line 2: cannot read src"},
    };
    for (const auto& c : Cases) {
        TFlushedOutput Output;
        std::size_t ShownAtEnd = 0;
        TScriptSource Source([&](int Call) {
            ShownAtEnd = BlocksIn(Output.Shown);
            return c.Next(Call);
        });
        std::istream Script(&Source);
        std::ostream Out(&Output);
        std::ostringstream Errors;
        EXPECT_EQ(RunScript(Script, "src", Out, Errors), c.Status) << c.What;
        EXPECT_EQ(BlocksIn(Output.str()), c.Blocks) << c.What;
        EXPECT_EQ(ShownAtEnd, c.ShownAtEnd) << c.What;
        EXPECT_NE(Errors.str().find(c.Error), std::string::npos) << c.What << Errors.str();
        EXPECT_LE(Source.Served, kMaxScriptLine + 65536) << c.What;
    }
}

TEST(ScriptRunnerDeathTest, AFatalExitEndsTheBlockAndExitsWithThree) {
    EXPECT_EXIT(
        {
            TScriptRunner Runner(std::cerr);
            FatalExit("音名\"H\"は不正です");
        },
        testing::ExitedWithCode(3), "fatal 音名\"H\"は不正です");
}

} // namespace
