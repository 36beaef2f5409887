#include "progression/integer_text.h"
#include "progression/progression_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

TProgressionEntry Entry(char Letter, int Accidental, int Mode, int Degree, int Variant) {
    return {{{Letter, Accidental}, static_cast<TMode>(Mode)},
            Degree,
            static_cast<TChordVariant>(Variant)};
}

bool Same(const TProgressionEntry& A, const TProgressionEntry& B) {
    return EntryLine(A) == EntryLine(B) &&
           A.Tonality.Tonic.Accidental == B.Tonality.Tonic.Accidental;
}

struct LineCase {
    TProgressionEntry Entry;
    const char* Line;
};

const LineCase kLines[] = {
    {Entry('C', 0, 0, 1, 0), "C 0010"},  {Entry('A', 0, 1, 5, 0), "A 0150"},
    {Entry('B', -1, 0, 4, 0), "B-1040"}, {Entry('F', 1, 1, 1, 0), "F 1110"},
    {Entry('A', 0, 1, 2, 3), "A 0123"},  {Entry('C', 0, 0, 4, 1), "C 0041"},
    {Entry('B', -2, 0, 1, 0), "B-2010"}, {Entry('G', 12, 0, 7, 0), "G12070"},
    {Entry('C', -9, 0, 1, 0), "C-9010"}, {Entry('E', 99, 1, 3, 0), "E99130"},
};

TEST(ProgressionFile, WritesAndReadsEveryExampleLine) {
    for (const auto& c : kLines) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(EntryLine(c.Entry), c.Line);
        const auto Read = ParseEntryLine(c.Line);
        ASSERT_TRUE(Read.has_value());
        EXPECT_TRUE(Same(*Read, c.Entry));
    }
    // Beyond two columns the line is cut as the writer's steps cut it; the file refuses it.
    EXPECT_EQ(EntryLine(Entry('C', -10, 0, 1, 0)), "C-1010");
    EXPECT_EQ(EntryLine(Entry('C', 100, 0, 1, 0)), "C10010");
}

TEST(ProgressionFile, RefusesEveryMalformedLine) {
    const char* Refused[] = {
        "",
        "C 001",
        "H 0010",
        "c 0010",
        "C 0210",
        "C 0080",
        "C 0000",
        "C 0014",
        "C 00 0",
        "C  010",
        "C+ 010",
        "C1 010",
        "C 0-10",
        "C 00$1",
        ("C\xC3\xA9" // the hex escape ends before the digits
         "010"),
        "C 001\xE2",
        "\xEF\xBC\xA3 0010",
        "C 0\t10",
        "C 00+1",
    };
    for (const char* Line : Refused) {
        EXPECT_FALSE(ParseEntryLine(Line).has_value()) << '"' << Line << '"';
    }
    // Signs and the "$" hexadecimal form pass the integer conversion of the accidental.
    for (const char* Line : {"C+1010", "C-0010", "C$F010", "C$a010", "D 2010 and more"}) {
        EXPECT_TRUE(ParseEntryLine(Line).has_value()) << Line;
    }
}

TEST(ProgressionFile, ReadsLfAndCrLfAndIgnoresEmptyLinesAtTheEnd) {
    const auto Crlf = ParseProgression("C 0010\r\nC 0040\r\nC 0050\r\nC 0010\r\n");
    const auto Lf = ParseProgression("C 0010\nC 0040\nC 0050\nC 0010");
    const auto Trailing = ParseProgression("C 0010\nC 0040\nC 0050\nC 0010\r\n\r\n\n");
    for (const auto* Read : {&Crlf, &Lf, &Trailing}) {
        ASSERT_TRUE(Read->has_value());
        ASSERT_EQ((*Read)->size(), 4u);
        EXPECT_EQ(EntryLine((**Read)[2]), "C 0050");
    }
    const auto OnlyEmpty = ParseProgression("\n\r\n");
    ASSERT_TRUE(OnlyEmpty.has_value());
    EXPECT_TRUE(OnlyEmpty->empty());
    EXPECT_TRUE(ParseProgression("")->empty());
    // An empty line before the last entry is a line like any other, and is refused.
    EXPECT_FALSE(ParseProgression("C 0010\n\nC 0040\n").has_value());
    EXPECT_FALSE(ParseProgression("C 0010\nC 0080\nC 0040\n").has_value());
}

TEST(ProgressionFile, ALongLineCountsByItsFirstSixCharacters) {
    const std::string Long = "F 1110" + std::string(100000, 'x') + "\r\nC 0010\r\n";
    const auto Read = ParseProgression(Long);
    ASSERT_TRUE(Read.has_value());
    EXPECT_EQ(EntryLine(Read->front()), "F 1110");
    EXPECT_EQ(Read->size(), 2u);
}

class ProgressionFileOnDisk : public testing::Test {
protected:
    void SetUp() override {
        Folder = fs::path(testing::TempDir()) / ("kadenzo-files-" + std::to_string(getpid()));
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override {
        fs::permissions(Folder, fs::perms::owner_all);
        fs::remove_all(Folder);
    }
    std::string Contents(const fs::path& Path) {
        std::ifstream File(Path, std::ios::binary);
        return {std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> Listing() {
        std::vector<std::string> Names;
        for (const auto& Item : fs::directory_iterator(Folder)) {
            Names.push_back(Item.path().filename().string());
        }
        return Names;
    }
    fs::path Folder;
};

TEST_F(ProgressionFileOnDisk, WritesCrLfLinesAndReadsThemBack) {
    const std::vector<TProgressionEntry> Progression = {
        Entry('C', 0, 0, 1, 0), Entry('C', 0, 0, 4, 0), Entry('C', 0, 0, 5, 0),
        Entry('C', 0, 0, 1, 0)};
    const std::string Path = (Folder / "cadence").string();
    ASSERT_TRUE(WriteProgressionFile(Path, Progression));
    EXPECT_EQ(Contents(Path), "C 0010\r\nC 0040\r\nC 0050\r\nC 0010\r\n"); // 32 bytes
    const auto Read = ReadProgressionFile(Path);
    ASSERT_TRUE(Read.has_value());
    ASSERT_EQ(Read->size(), 4u);
    EXPECT_EQ(EntryLine((*Read)[1]), "C 0040");
    EXPECT_EQ(Listing(), std::vector<std::string>{"cadence"});

    // An empty progression is an empty file, replacing what was there.
    ASSERT_TRUE(WriteProgressionFile(Path, {}));
    EXPECT_EQ(Contents(Path), "");
    EXPECT_TRUE(ReadProgressionFile(Path)->empty());
}

TEST_F(ProgressionFileOnDisk, AFailedWriteLeavesTheOldFileWholeAndNothingBeside) {
    const std::string Path = (Folder / "kept").string();
    ASSERT_TRUE(WriteProgressionFile(Path, {Entry('G', 0, 0, 5, 0)}));
    // An accidental outside -9..99 is refused before anything is written.
    EXPECT_FALSE(WriteProgressionFile(Path, {Entry('C', 0, 0, 1, 0), Entry('C', -10, 0, 1, 0)}));
    EXPECT_EQ(Contents(Path), "G 0050\r\n");
    // The target is a folder: the new file cannot take its place.
    fs::create_directories(Folder / "sub");
    EXPECT_FALSE(WriteProgressionFile((Folder / "sub").string(), {Entry('C', 0, 0, 1, 0)}));
    EXPECT_TRUE(fs::is_empty(Folder / "sub"));
    EXPECT_EQ(Listing().size(), 2u); // "kept" and "sub", no stray file
}

TEST_F(ProgressionFileOnDisk, WritingIntoAMissingFolderLeavesNothing) {
    EXPECT_FALSE(WriteProgressionFile((Folder / "no" / "such").string(), {Entry('C', 0, 0, 1, 0)}));
    EXPECT_FALSE(WriteProgressionFile("", {Entry('C', 0, 0, 1, 0)}));
    EXPECT_EQ(WriteWholeFile("", ""), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(Listing().empty());
}

TEST_F(ProgressionFileOnDisk, ReadingFailsForNoFileAnEmptyNameAndAFolder) {
    EXPECT_FALSE(ReadProgressionFile((Folder / "absent").string()).has_value());
    EXPECT_FALSE(ReadProgressionFile("").has_value());
    EXPECT_FALSE(ReadProgressionFile(Folder.string()).has_value());
}

TEST(ProgressionFile, ALoneCrEndsALineAsLfAndCrLfDo) {
    const auto OldMac = ParseProgression("C 0010\rC 0040\rC 0050\rC 0010\r");
    ASSERT_TRUE(OldMac.has_value());
    ASSERT_EQ(OldMac->size(), 4u);
    EXPECT_EQ(EntryLine((*OldMac)[1]), "C 0040");
    const auto Mixed = ParseProgression("C 0010\rC 0040\r\nC 0050\nC 0010");
    ASSERT_TRUE(Mixed.has_value());
    EXPECT_EQ(Mixed->size(), 4u);
    // A CR inside the first six characters cuts the line short.
    EXPECT_FALSE(ParseProgression("C 00\r10\n").has_value());
}

TEST_F(ProgressionFileOnDisk, ANewFileGetsTheUsualPermissionsAndAReplacedOneKeepsItsOwn) {
    const std::string Path = (Folder / "modes").string();
    const mode_t Mask = umask(022);
    ASSERT_TRUE(WriteProgressionFile(Path, {}));
    EXPECT_EQ(fs::status(Path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    fs::permissions(Path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteProgressionFile(Path, {}));
    EXPECT_EQ(fs::status(Path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    umask(Mask);
}

struct IntegerCase {
    const char* Text;
    std::optional<std::int32_t> Want;
};

const IntegerCase kIntegers[] = {
    {"49", 49},
    {"  49", 49},
    {"-7", -7},
    {"+7", 7},
    {"$30", 48},
    {"$ff", 255},
    {"$FF", 255},
    {"-$1", -1},
    {" -$10", -16},
    {"2147483647", 2147483647},
    {"-2147483648", INT32_MIN},
    {"$7FFFFFFF", INT32_MAX},
    {"-$80000000", INT32_MIN},
    {"", std::nullopt},
    {" ", std::nullopt},
    {"49 ", std::nullopt},
    {"4 9", std::nullopt},
    {"49a", std::nullopt},
    {"$", std::nullopt},
    {"-", std::nullopt},
    {"$-1", std::nullopt},
    {"--1", std::nullopt},
    {"\t49", std::nullopt},
    {"2147483648", std::nullopt},
    {"-2147483649", std::nullopt},
    {"$80000000", std::nullopt},
    {"$g", std::nullopt},
    {"0x10", std::nullopt},
    {"\xE3\x80\x80"
     "1",
     std::nullopt},
};

TEST(TextToInteger, ReadsBlanksSignDecimalAndDollarHex) {
    for (const auto& c : kIntegers) {
        EXPECT_EQ(TextToInteger(c.Text), c.Want) << '"' << c.Text << '"';
    }
}

} // namespace
