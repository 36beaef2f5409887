// What a file name stands for, when reading and writing progressions: links, special files,
// files the user may not write, a folder that takes no new file, and a writer killed midway.
#include "progression/progression_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

bool KillOnRename = false;

} // namespace

// Stands in for the C library's rename in this test program, so that a writer can be killed
// between writing its file and putting it in place.
extern "C" int rename(const char* From, const char* To) noexcept {
    if (KillOnRename) {
        raise(SIGKILL);
    }
    return renameat(AT_FDCWD, From, AT_FDCWD, To);
}

namespace {

namespace fs = std::filesystem;

const std::vector<TProgressionEntry> kCadence = {{{{'C', 0}, mdMajor}, 1, 0},
                                                 {{{'C', 0}, mdMajor}, 4, 0},
                                                 {{{'C', 0}, mdMajor}, 5, 0},
                                                 {{{'C', 0}, mdMajor}, 1, 0}};
const std::vector<TProgressionEntry> kOne = {{{{'G', 0}, mdMajor}, 5, 0}};
const std::string kCadenceBytes = "C 0010\r\nC 0040\r\nC 0050\r\nC 0010\r\n";
const std::string kOneBytes = "G 0050\r\n";
constexpr uid_t kNobody = 65534;

bool IsRoot() {
    return geteuid() == 0;
}

// Whether Write succeeds for an ordinary user: as root, in a child that has become "nobody".
template <typename TWrite> bool AsOrdinaryUser(TWrite Write) {
    if (!IsRoot()) {
        return Write();
    }
    const pid_t Child = fork();
    if (Child == 0) {
        const bool Dropped = setgid(kNobody) == 0 && setuid(kNobody) == 0;
        _exit(Dropped && Write() ? 0 : 1);
    }
    int Status = 0;
    return Child > 0 && waitpid(Child, &Status, 0) == Child && WIFEXITED(Status) &&
           WEXITSTATUS(Status) == 0;
}

class FileNames : public testing::Test {
protected:
    void SetUp() override {
        Folder = fs::path(testing::TempDir()) / ("kadenzo-names-" + std::to_string(getpid()));
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override {
        fs::permissions(Folder, fs::perms::owner_all);
        fs::remove_all(Folder);
    }
    std::string At(const std::string& Name) const { return (Folder / Name).string(); }
    static std::string Contents(const std::string& Path) {
        std::ifstream File(Path, std::ios::binary);
        return {std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>()};
    }
    static void Put(const std::string& Path, const std::string& Bytes) {
        std::ofstream(Path, std::ios::binary) << Bytes;
    }
    std::vector<std::string> Listing() const {
        std::vector<std::string> Names;
        for (const auto& Item : fs::directory_iterator(Folder)) {
            Names.push_back(Item.path().filename().string());
        }
        std::sort(Names.begin(), Names.end());
        return Names;
    }
    // A socket bound at Path, as a server leaves one.
    static int BindSocket(const std::string& Path) {
        const int Socket = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un Address{};
        Address.sun_family = AF_UNIX;
        Path.copy(Address.sun_path, sizeof Address.sun_path - 1);
        EXPECT_EQ(bind(Socket, reinterpret_cast<sockaddr*>(&Address), sizeof Address), 0);
        return Socket;
    }
    fs::path Folder;
};

TEST_F(FileNames, ReadingRefusesAtOnceWhatIsNoRegularFile) {
    ASSERT_EQ(mkfifo(At("pipe").c_str(), 0600), 0);
    const int Socket = BindSocket(At("socket"));
    fs::create_directories(Folder / "folder");
    // A pipe with no writer must not block; devices never end or read as empty files.
    for (const std::string& Path :
         {At("pipe"), At("socket"), At("folder"), std::string("/dev/null"),
          std::string("/dev/zero"), std::string("/dev/urandom")}) {
        SCOPED_TRACE(Path);
        EXPECT_FALSE(ReadProgressionFile(Path).has_value());
    }
    close(Socket);
}

TEST_F(FileNames, ReadingRefusesAFileOverSixtyFourMebibytes) {
    const std::string Path = At("huge");
    // Sparse: as large as it claims without taking the disk space, as an 8 GB file would.
    Put(Path, "C 0010\r\n");
    fs::resize_file(Path, std::uintmax_t{8} << 30);
    EXPECT_FALSE(ReadProgressionFile(Path).has_value());
    // Every line good, one line too many.
    std::string Line = "C 0010\r\n";
    std::string Block;
    for (int i = 0; i < 8192; ++i) {
        Block += Line;
    }
    {
        std::ofstream File(Path, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 1024; ++i) {
            File << Block;
        }
        File << Line;
    }
    ASSERT_EQ(fs::file_size(Path), (std::uintmax_t{64} << 20) + 8);
    EXPECT_FALSE(ReadProgressionFile(Path).has_value());
    // A large file within the limit is read whole.
    Put(Path, Block + Block);
    ASSERT_TRUE(ReadProgressionFile(Path).has_value());
    EXPECT_EQ(ReadProgressionFile(Path)->size(), 16384u);
}

TEST_F(FileNames, ReadingFollowsLinks) {
    Put(At("file"), kCadenceBytes);
    fs::create_symlink("file", At("link"));
    ASSERT_TRUE(ReadProgressionFile(At("link")).has_value());
    EXPECT_EQ(ReadProgressionFile(At("link"))->size(), 4u);
}

struct LinkCase {
    const char* What;
    std::vector<std::pair<const char*, const char*>> Links; // name, what it points at
    const char* Written;                                    // the name given to the writer
    const char* Replaced;                                   // the file that gets the bytes
};

TEST_F(FileNames, WritingThroughALinkReplacesTheFileItPointsAtAndKeepsTheLink) {
    const LinkCase Cases[] = {
        {"a link to a file", {{"link", "target"}}, "link", "target"},
        {"a dangling link", {{"link", "absent"}}, "link", "absent"},
        {"a link from a subfolder", {{"sub/link", "../target"}}, "sub/link", "target"},
        {"a chain of two", {{"first", "second"}, {"second", "target"}}, "first", "target"},
    };
    for (const LinkCase& c : Cases) {
        SCOPED_TRACE(c.What);
        SetUp();
        fs::create_directories(Folder / "sub");
        Put(At("target"), kOneBytes);
        for (const auto& [Name, PointsAt] : c.Links) {
            fs::create_symlink(PointsAt, At(Name));
        }
        ASSERT_TRUE(WriteProgressionFile(At(c.Written), kCadence));
        EXPECT_EQ(Contents(At(c.Replaced)), kCadenceBytes);
        for (const auto& [Name, PointsAt] : c.Links) {
            EXPECT_TRUE(fs::is_symlink(At(Name))) << Name;
            EXPECT_EQ(fs::read_symlink(At(Name)), PointsAt);
        }
        // "sub" and "target", the links at the top, the created file: nothing else.
        std::size_t Expected = 2 + (c.Replaced == std::string("absent"));
        for (const auto& Link : c.Links) {
            Expected += std::string(Link.first).find('/') == std::string::npos;
        }
        EXPECT_EQ(Listing().size(), Expected) << "no stray file";
    }
}

TEST_F(FileNames, WritingThroughALoopOfLinksIsRefused) {
    fs::create_symlink("b", At("a"));
    fs::create_symlink("a", At("b"));
    EXPECT_EQ(WriteWholeFile(At("a"), kCadenceBytes), std::errc::too_many_symbolic_link_levels);
    EXPECT_TRUE(fs::is_symlink(At("a")) && fs::is_symlink(At("b")));
    EXPECT_EQ(Listing().size(), 2u);
}

TEST_F(FileNames, WritingRefusesWhatIsNoRegularFileAndLeavesItAsItWas) {
    ASSERT_EQ(mkfifo(At("pipe").c_str(), 0600), 0);
    const int Socket = BindSocket(At("socket"));
    fs::create_directories(Folder / "folder");
    // A device node of our own where we may make one (a writer that got this wrong must not
    // replace the system's /dev/null); the system's otherwise, which nobody else may replace.
    const bool OwnDevice = mknod(At("device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const std::string Device = OwnDevice ? At("device") : "/dev/null";
    fs::create_symlink(Device, At("to-device"));
    for (const std::string& Name :
         {At("pipe"), At("socket"), At("folder"), Device, At("to-device")}) {
        SCOPED_TRACE(Name);
        EXPECT_EQ(WriteWholeFile(Name, kCadenceBytes),
                  Name == At("folder") ? std::errc::is_a_directory : std::errc::invalid_argument);
    }
    EXPECT_TRUE(fs::is_fifo(At("pipe")));
    EXPECT_TRUE(fs::is_socket(At("socket")));
    EXPECT_TRUE(fs::is_empty(Folder / "folder"));
    EXPECT_TRUE(fs::is_character_file(Device));
    EXPECT_TRUE(fs::is_symlink(At("to-device")));
    EXPECT_EQ(Listing().size(), OwnDevice ? 5u : 4u);
    close(Socket);
}

// Another user's file that ours may write. A sticky folder (/tmp) lets it be written but not
// replaced, so it is written in place. Beyond the file-size limit both ways fail with EFBIG and
// keep the old file, and the signal the limit raises is left neither blocked nor pending.
TEST_F(FileNames, AnotherUsersFileInASharedFolderOrBeyondTheSizeLimit) {
    if (!IsRoot()) {
        GTEST_SKIP() << "a file of another user needs root to make";
    }
    const struct {
        fs::perms Folder;
        rlim_t Limit;
        std::errc Want;
    } Cases[] = {
        {fs::perms::all | fs::perms::sticky_bit, RLIM_INFINITY, std::errc{}},
        {fs::perms::all, 16, std::errc::file_too_large},                                // replaced
        {fs::perms::owner_all | fs::perms::others_exec, 16, std::errc::file_too_large}, // in place
    };
    const std::string Path = At("shared");
    for (const auto& c : Cases) {
        Put(Path, kOneBytes);
        ASSERT_TRUE(chown(Path.c_str(), 4242, 4242) == 0 && chmod(Path.c_str(), 0666) == 0);
        fs::permissions(Folder, c.Folder);
        EXPECT_TRUE(AsOrdinaryUser([&] {
            const rlimit Limit{c.Limit, c.Limit};
            sigset_t Blocked;
            sigset_t Pending;
            return setrlimit(RLIMIT_FSIZE, &Limit) == 0 &&
                   WriteWholeFile(Path, kCadenceBytes) == c.Want &&
                   pthread_sigmask(SIG_SETMASK, nullptr, &Blocked) == 0 &&
                   sigpending(&Pending) == 0 && !sigismember(&Blocked, SIGXFSZ) &&
                   !sigismember(&Pending, SIGXFSZ);
        })) << static_cast<int>(c.Folder);
        fs::permissions(Folder, fs::perms::owner_all);
        EXPECT_EQ(Contents(Path), c.Want == std::errc{} ? kCadenceBytes : kOneBytes);
        EXPECT_EQ(Listing().size(), 1u);
    }
}

TEST_F(FileNames, AReadOnlyFileIsRefusedAsADirectWriteWouldBe) {
    const std::string Path = At("read-only");
    Put(Path, kOneBytes);
    fs::permissions(Path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(Folder, fs::perms::all); // a new file could take its place
    EXPECT_TRUE(AsOrdinaryUser(
        [&] { return WriteWholeFile(Path, kCadenceBytes) == std::errc::permission_denied; }));
    EXPECT_EQ(Contents(Path), kOneBytes);
    // Root may write to any file, so the writer does too, and the file stays read-only.
    if (IsRoot()) {
        EXPECT_TRUE(WriteProgressionFile(Path, kCadence));
        EXPECT_EQ(Contents(Path), kCadenceBytes);
        EXPECT_EQ(fs::status(Path).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    EXPECT_EQ(Listing().size(), 1u);
}

TEST_F(FileNames, AFileOnAReadOnlyFileSystemIsRefused) {
    const std::string Mount = At("mount");
    fs::create_directories(Mount);
    if (mount("kadenzo-test", Mount.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "mounting a file system needs root";
    }
    Put(Mount + "/kept", kOneBytes);
    ASSERT_EQ(mount("kadenzo-test", Mount.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
    EXPECT_FALSE(WriteProgressionFile(Mount + "/kept", kCadence));
    EXPECT_FALSE(WriteProgressionFile(Mount + "/new", kCadence));
    EXPECT_EQ(Contents(Mount + "/kept"), kOneBytes);
    EXPECT_EQ(umount(Mount.c_str()), 0);
}

TEST_F(FileNames, AReplacedFileKeepsItsOwnerGroupAndPermissions) {
    const std::string Path = At("owned");
    Put(Path, kOneBytes);
    fs::permissions(Path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write);
    struct stat Before;
    ASSERT_EQ(stat(Path.c_str(), &Before), 0);
    // Root may give the file to another user, and must give it back to that user.
    const uid_t Owner = IsRoot() ? 4242 : Before.st_uid;
    const gid_t Group = IsRoot() ? 4343 : Before.st_gid;
    ASSERT_EQ(chown(Path.c_str(), Owner, Group), 0);
    ASSERT_TRUE(WriteProgressionFile(Path, kCadence));
    struct stat After;
    ASSERT_EQ(stat(Path.c_str(), &After), 0);
    EXPECT_EQ(Contents(Path), kCadenceBytes);
    EXPECT_NE(After.st_ino, Before.st_ino) << "replaced, not rewritten in place";
    EXPECT_EQ(After.st_uid, Owner);
    EXPECT_EQ(After.st_gid, Group);
    EXPECT_EQ(After.st_mode & 07777, 0620u);
}

TEST_F(FileNames, AFolderThatTakesNoNewFileGetsTheTargetWrittenInPlace) {
    const std::string Path = At("kept");
    Put(Path, kOneBytes);
    ASSERT_EQ(chown(Path.c_str(), IsRoot() ? kNobody : geteuid(), static_cast<gid_t>(-1)), 0);
    struct stat Before;
    ASSERT_EQ(stat(Path.c_str(), &Before), 0);
    fs::permissions(Folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    EXPECT_TRUE(AsOrdinaryUser([&] { return WriteProgressionFile(Path, kCadence); }));
    EXPECT_FALSE(AsOrdinaryUser([&] { return WriteProgressionFile(At("new"), kCadence); }));
    fs::permissions(Folder, fs::perms::owner_all);
    struct stat After;
    ASSERT_EQ(stat(Path.c_str(), &After), 0);
    EXPECT_EQ(After.st_ino, Before.st_ino);
    EXPECT_EQ(Contents(Path), kCadenceBytes);
    EXPECT_EQ(Listing(), std::vector<std::string>{"kept"});
}

TEST_F(FileNames, AWriterKilledBeforeTheRenameLeavesTheOldFileAndAnUnreadLeftover) {
    const std::string Path = At("cadence");
    Put(Path, kOneBytes);
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        KillOnRename = true;
        WriteProgressionFile(Path, kCadence);
        _exit(0); // not reached: the writer is killed at its rename
    }
    int Status = 0;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == SIGKILL);

    EXPECT_EQ(Contents(Path), kOneBytes);
    const std::vector<std::string> Names = Listing();
    ASSERT_EQ(Names.size(), 2u);
    const std::string Leftover = Names[0] == "cadence" ? Names[1] : Names[0];
    EXPECT_EQ(Leftover.rfind(".cadence.kadenzo-unfinished-", 0), 0u) << Leftover;
    EXPECT_EQ(Contents(At(Leftover)), kCadenceBytes);
    EXPECT_TRUE(IsUnfinishedWrite(At(Leftover)));
    EXPECT_FALSE(ReadProgressionFile(At(Leftover)).has_value());
    EXPECT_FALSE(IsUnfinishedWrite(Path));
    // The next save goes through, beside the leftover.
    ASSERT_TRUE(WriteProgressionFile(Path, kCadence));
    EXPECT_EQ(Contents(Path), kCadenceBytes);
}

} // namespace
