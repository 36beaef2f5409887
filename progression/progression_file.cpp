#include "progression/progression_file.h"

#include "progression/integer_text.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr std::size_t kLineLength = 6;
// About eight million entries: more than anyone plays, far less than would exhaust memory.
constexpr off_t kMaxFileBytes = 64 * 1024 * 1024;
// Marks the name of a file that is being written, so that a leftover of a killed writer says
// what it is and is never read.
constexpr std::string_view kUnfinishedMark = ".kadenzo-unfinished-";
// A name part short enough that the mark and its random letters still fit a file name.
constexpr std::size_t kMaxNamePart = 200;
constexpr int kMaxLinkHops = 40;

// A one-character field: only the digits 0..9 convert.
std::optional<std::int32_t> DigitField(char Character) {
    return TextToInteger(std::string_view(&Character, 1));
}

bool InRange(std::optional<std::int32_t> Value, std::int32_t Low, std::int32_t High) {
    return Value && *Value >= Low && *Value <= High;
}

std::string FolderOf(const std::string& Path) {
    const std::size_t Slash = Path.rfind('/');
    if (Slash == std::string::npos) {
        return ".";
    }
    return Slash == 0 ? "/" : Path.substr(0, Slash);
}

std::string BaseNameOf(const std::string& Path) {
    const std::size_t Slash = Path.rfind('/');
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

std::error_code ErrorOf(int Value) {
    return {Value, std::generic_category()};
}

// Why the system call just made failed.
std::error_code LastError() {
    return ErrorOf(errno);
}

// SIGXFSZ held back from the calling thread while it writes: a write beyond the file-size
// limit (ulimit -f) then fails with EFBIG instead of ending the program halfway through a
// save. The signal that write raised is taken back before the thread's mask is restored; one
// that was pending before belongs to someone else and stays.
class TFileSizeSignalBlock {
public:
    TFileSizeSignalBlock() {
        sigemptyset(&Signal);
        sigaddset(&Signal, SIGXFSZ);
        sigset_t Pending;
        WasPending = sigpending(&Pending) == 0 && sigismember(&Pending, SIGXFSZ) == 1;
        pthread_sigmask(SIG_BLOCK, &Signal, &Previous);
    }
    ~TFileSizeSignalBlock() {
        if (!WasPending) {
            const timespec Now{0, 0};
            sigtimedwait(&Signal, nullptr, &Now);
        }
        pthread_sigmask(SIG_SETMASK, &Previous, nullptr);
    }
    TFileSizeSignalBlock(const TFileSizeSignalBlock&) = delete;
    TFileSizeSignalBlock& operator=(const TFileSizeSignalBlock&) = delete;

private:
    sigset_t Signal;
    sigset_t Previous;
    bool WasPending;
};

bool ExceedsFileSizeLimit(std::size_t Size) {
    struct rlimit Limit;
    return getrlimit(RLIMIT_FSIZE, &Limit) == 0 && Limit.rlim_cur != RLIM_INFINITY &&
           Size > Limit.rlim_cur;
}

// A file descriptor, closed when it goes.
class TDescriptor {
public:
    explicit TDescriptor(int Descriptor) : Descriptor(Descriptor) {}
    ~TDescriptor() { Close(); }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;

    int Get() const { return Descriptor; }
    bool Close() { return Descriptor < 0 || close(std::exchange(Descriptor, -1)) == 0; }

private:
    int Descriptor;
};

// A new file beside the target that takes the target's place on Commit, and is removed
// again if it never does.
class TReplacement {
public:
    explicit TReplacement(const std::string& Target)
        : Target(Target),
          Path(FolderOf(Target) + "/." + BaseNameOf(Target).substr(0, kMaxNamePart) +
               std::string(kUnfinishedMark) + "XXXXXX"),
          File(mkostemp(Path.data(), O_CLOEXEC)),
          Error(File.Get() < 0 ? LastError() : std::error_code()) {}
    ~TReplacement() {
        File.Close();
        if (Created() && !Committed) {
            unlink(Path.c_str());
        }
    }
    TReplacement(const TReplacement&) = delete;
    TReplacement& operator=(const TReplacement&) = delete;

    bool Created() const { return !Error; }
    // Why the file could not be made; nothing when it was.
    std::error_code CreateError() const { return Error; }
    int Descriptor() const { return File.Get(); }

    std::error_code Commit() {
        Committed = File.Close() && std::rename(Path.c_str(), Target.c_str()) == 0;
        return Committed ? std::error_code() : LastError();
    }

private:
    std::string Target;
    std::string Path;
    TDescriptor File;
    std::error_code Error;
    bool Committed = false;
};

std::error_code WriteAll(int Descriptor, const std::string& Bytes) {
    std::size_t Done = 0;
    while (Done < Bytes.size()) {
        const ssize_t Written = write(Descriptor, Bytes.data() + Done, Bytes.size() - Done);
        if (Written < 0 && errno == EINTR) {
            continue;
        }
        if (Written < 0) {
            return LastError();
        }
        if (Written == 0) {
            return ErrorOf(EIO); // no progress and no reason given
        }
        Done += static_cast<std::size_t>(Written);
    }
    return {};
}

std::string FileBytes(const std::vector<TProgressionEntry>& Entries) {
    std::string Bytes;
    Bytes.reserve(Entries.size() * (kLineLength + 2));
    for (const TProgressionEntry& Entry : Entries) {
        Bytes += EntryLine(Entry);
        Bytes += "\r\n";
    }
    return Bytes;
}

struct TFollowed {
    std::string Path;
    std::error_code Error;
};

// The name a path stands for once its symbolic links are followed to the end; a dangling
// link gives the name it points at. ELOOP for a loop of links.
TFollowed FollowLinks(std::string Path) {
    for (int Hop = 0; Hop < kMaxLinkHops; ++Hop) {
        struct stat Info;
        if (lstat(Path.c_str(), &Info) != 0 || !S_ISLNK(Info.st_mode)) {
            return {Path, {}};
        }
        std::string Link(PATH_MAX, '\0');
        const ssize_t Length = readlink(Path.c_str(), Link.data(), Link.size());
        if (Length < 0) {
            return {Path, LastError()};
        }
        if (Length == 0 || static_cast<std::size_t>(Length) >= Link.size()) {
            return {Path, ErrorOf(ENAMETOOLONG)};
        }
        Link.resize(static_cast<std::size_t>(Length));
        Path = Link.front() == '/' ? Link : FolderOf(Path) + "/" + Link;
    }
    return {Path, ErrorOf(ELOOP)};
}

// The replaced file's permissions, and its owner and group where the system lets us keep them.
std::error_code TakeOverAttributes(int Descriptor, const struct stat& Existing) {
    if (fchown(Descriptor, Existing.st_uid, Existing.st_gid) != 0) {
        (void)!fchown(Descriptor, static_cast<uid_t>(-1), Existing.st_gid); // group only
    }
    // After the owner: a change of owner clears the set-user-ID bit.
    return fchmod(Descriptor, Existing.st_mode & 07777) == 0 ? std::error_code() : LastError();
}

// The permissions a newly created file gets.
std::error_code TakeNewFileMode(int Descriptor) {
    const mode_t Mask = umask(0);
    umask(Mask);
    return fchmod(Descriptor, 0666 & ~Mask) == 0 ? std::error_code() : LastError();
}

void SyncFolder(const std::string& Path) {
    TDescriptor Folder(open(FolderOf(Path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (Folder.Get() >= 0) {
        fsync(Folder.Get()); // the rename survives a crash; a failure here loses nothing
    }
}

// The target rewritten where it is, for a folder that lets it be written but not replaced.
std::error_code WriteInPlace(const std::string& Target, const std::string& Bytes) {
    // Emptied first, the file would be lost to a write that the size limit stops halfway.
    if (ExceedsFileSizeLimit(Bytes.size())) {
        return ErrorOf(EFBIG);
    }
    TDescriptor File(open(Target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat Info;
    if (File.Get() < 0 || fstat(File.Get(), &Info) != 0) {
        return LastError();
    }
    if (!S_ISREG(Info.st_mode)) {
        return ErrorOf(EINVAL);
    }
    if (ftruncate(File.Get(), 0) != 0) {
        return LastError();
    }
    if (const std::error_code Error = WriteAll(File.Get(), Bytes)) {
        return Error;
    }
    return fsync(File.Get()) == 0 && File.Close() ? std::error_code() : LastError();
}

std::error_code WriteReplacement(TReplacement& File, const std::string& Target,
                                 const std::string& Bytes) {
    if (const std::error_code Error = WriteAll(File.Descriptor(), Bytes)) {
        return Error;
    }
    if (fsync(File.Descriptor()) != 0) {
        return LastError();
    }
    if (const std::error_code Error = File.Commit()) {
        return Error;
    }
    SyncFolder(Target);
    return {};
}

// The existing target replaced by a new file with its attributes; the new file is gone again
// when this returns without having taken the target's place.
std::error_code Replace(const std::string& Target, const struct stat& Existing,
                        const std::string& Bytes) {
    TReplacement File(Target);
    if (!File.Created()) {
        return File.CreateError();
    }
    if (const std::error_code Error = TakeOverAttributes(File.Descriptor(), Existing)) {
        return Error;
    }
    return WriteReplacement(File, Target, Bytes);
}

// Whether the folder refused the replacement although the target itself may be written: no
// new file may be made there, or (a sticky folder such as /tmp) another user's file may not
// be renamed over.
bool IsRefusedReplacement(std::error_code Error) {
    return Error == std::errc::permission_denied || Error == std::errc::operation_not_permitted;
}

} // namespace

std::string EntryLine(const TProgressionEntry& Entry) {
    char Accidental[32];
    std::snprintf(Accidental, sizeof Accidental, "%2d   ", Entry.Tonality.Tonic.Accidental);
    std::string Line = (std::string(1, Entry.Tonality.Tonic.Letter) + Accidental).substr(0, 6);
    Line[3] = static_cast<char>('0' + Entry.Tonality.Mode);
    Line[4] = static_cast<char>('0' + Entry.Degree);
    Line[5] = static_cast<char>('0' + Entry.Variant);
    return Line;
}

bool FitsProgressionFile(const std::vector<TProgressionEntry>& Entries) {
    for (const TProgressionEntry& Entry : Entries) {
        const std::int32_t Accidental = Entry.Tonality.Tonic.Accidental;
        if (Accidental < -9 || Accidental > 99) {
            return false;
        }
    }
    return true;
}

bool IsUnfinishedWrite(const std::string& Path) {
    return BaseNameOf(Path).find(kUnfinishedMark) != std::string::npos;
}

std::optional<TProgressionEntry> ParseEntryLine(std::string_view Line) {
    if (Line.size() < kLineLength) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kLineLength; ++i) {
        if (static_cast<unsigned char>(Line[i]) >= 0x80) {
            return std::nullopt;
        }
    }
    const char Letter = Line[0];
    const std::optional<std::int32_t> Accidental = TextToInteger(Line.substr(1, 2));
    const std::optional<std::int32_t> Mode = DigitField(Line[3]);
    const std::optional<std::int32_t> Degree = DigitField(Line[4]);
    const std::optional<std::int32_t> Variant = DigitField(Line[5]);
    if (!IsNoteLetter(Letter) || !Accidental || !InRange(Mode, mdMajor, mdMinor) ||
        !InRange(Degree, 1, 7) || !InRange(Variant, cvNormal, cvNeapolitan)) {
        return std::nullopt;
    }
    return TProgressionEntry{{{Letter, *Accidental}, static_cast<TMode>(*Mode)},
                             *Degree,
                             static_cast<TChordVariant>(*Variant)};
}

std::optional<std::vector<TProgressionEntry>> ParseProgression(std::string_view Contents) {
    // Empty lines after the last entry do not count: drop every line break and CR at the end.
    while (!Contents.empty() && (Contents.back() == '\n' || Contents.back() == '\r')) {
        Contents.remove_suffix(1);
    }
    std::vector<TProgressionEntry> Entries;
    while (!Contents.empty()) {
        // LF, CR LF and a lone CR each end a line.
        const std::size_t End = Contents.find_first_of("\r\n");
        const std::string_view Line = Contents.substr(0, End);
        std::size_t Next = End == std::string_view::npos ? Contents.size() : End + 1;
        if (End != std::string_view::npos && Contents[End] == '\r' && Next < Contents.size() &&
            Contents[Next] == '\n') {
            ++Next;
        }
        Contents.remove_prefix(Next);
        const std::optional<TProgressionEntry> Entry = ParseEntryLine(Line);
        if (!Entry) {
            return std::nullopt;
        }
        Entries.push_back(*Entry);
    }
    return Entries;
}

std::optional<std::vector<TProgressionEntry>> ReadProgressionFile(const std::string& Path) {
    if (Path.empty() || IsUnfinishedWrite(Path)) {
        return std::nullopt;
    }
    // Non-blocking, so that opening a named pipe does not wait for a writer.
    TDescriptor File(open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat Info;
    if (File.Get() < 0 || fstat(File.Get(), &Info) != 0 || !S_ISREG(Info.st_mode) ||
        Info.st_size > kMaxFileBytes) {
        return std::nullopt;
    }
    std::string Contents;
    Contents.reserve(static_cast<std::size_t>(Info.st_size));
    char Buffer[65536];
    for (;;) {
        const ssize_t Read = read(File.Get(), Buffer, sizeof Buffer);
        if (Read < 0 && errno == EINTR) {
            continue;
        }
        if (Read < 0) {
            return std::nullopt;
        }
        if (Read == 0) {
            break;
        }
        Contents.append(Buffer, static_cast<std::size_t>(Read));
        if (Contents.size() > static_cast<std::size_t>(kMaxFileBytes)) {
            return std::nullopt; // it grew while being read
        }
    }
    return ParseProgression(Contents);
}

bool WriteProgressionFile(const std::string& Path, const std::vector<TProgressionEntry>& Entries) {
    return FitsProgressionFile(Entries) && !WriteWholeFile(Path, FileBytes(Entries));
}

std::error_code WriteWholeFile(const std::string& Path, const std::string& Bytes) {
    if (Path.empty()) {
        return ErrorOf(ENOENT);
    }
    const TFileSizeSignalBlock FileSizeSignal;
    const TFollowed Target = FollowLinks(Path);
    if (Target.Error) {
        return Target.Error;
    }
    struct stat Existing;
    if (lstat(Target.Path.c_str(), &Existing) != 0) {
        if (errno != ENOENT) {
            return LastError();
        }
        TReplacement File(Target.Path);
        if (!File.Created()) {
            return File.CreateError();
        }
        const std::error_code Error = TakeNewFileMode(File.Descriptor());
        return Error ? Error : WriteReplacement(File, Target.Path, Bytes);
    }
    // Refused where writing to the name directly would be: no replacing behind its back.
    if (S_ISDIR(Existing.st_mode)) {
        return ErrorOf(EISDIR);
    }
    if (!S_ISREG(Existing.st_mode)) {
        return ErrorOf(EINVAL);
    }
    if (faccessat(AT_FDCWD, Target.Path.c_str(), W_OK, AT_EACCESS) != 0) {
        return LastError();
    }
    const std::error_code Error = Replace(Target.Path, Existing, Bytes);
    return IsRefusedReplacement(Error) ? WriteInPlace(Target.Path, Bytes) : Error;
}
