#include "progression/progression_file.h"

#include "progression/integer_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr std::size_t kLineLength = 6;

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
        : Target(Target), Path(FolderOf(Target) + "/.kadenzo-write-XXXXXX"),
          File(mkstemp(Path.data())), Created(File.Get() >= 0) {}
    ~TReplacement() {
        File.Close();
        if (Created && !Committed) {
            unlink(Path.c_str());
        }
    }
    TReplacement(const TReplacement&) = delete;
    TReplacement& operator=(const TReplacement&) = delete;

    int Descriptor() const { return File.Get(); }

    bool Commit() {
        Committed = File.Close() && std::rename(Path.c_str(), Target.c_str()) == 0;
        return Committed;
    }

private:
    std::string Target;
    std::string Path;
    TDescriptor File;
    bool Created;
    bool Committed = false;
};

bool WriteAll(int Descriptor, const std::string& Bytes) {
    std::size_t Done = 0;
    while (Done < Bytes.size()) {
        const ssize_t Written = write(Descriptor, Bytes.data() + Done, Bytes.size() - Done);
        if (Written < 0 && errno == EINTR) {
            continue;
        }
        if (Written <= 0) {
            return false;
        }
        Done += static_cast<std::size_t>(Written);
    }
    return true;
}

// The permissions a newly created file would get, or those of the file being replaced.
mode_t ModeFor(const std::string& Path) {
    struct stat Existing;
    if (stat(Path.c_str(), &Existing) == 0) {
        return Existing.st_mode & 07777;
    }
    const mode_t Mask = umask(0);
    umask(Mask);
    return 0666 & ~Mask;
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
    if (Letter < 'A' || Letter > 'G' || !Accidental || !InRange(Mode, 0, 1) ||
        !InRange(Degree, 1, 7) || !InRange(Variant, 0, 3)) {
        return std::nullopt;
    }
    return TProgressionEntry{{{Letter, *Accidental}, static_cast<std::uint8_t>(*Mode)},
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
        const std::size_t End = Contents.find('\n');
        std::string_view Line = Contents.substr(0, End);
        Contents = End == std::string_view::npos ? std::string_view() : Contents.substr(End + 1);
        if (!Line.empty() && Line.back() == '\r') {
            Line.remove_suffix(1);
        }
        const std::optional<TProgressionEntry> Entry = ParseEntryLine(Line);
        if (!Entry) {
            return std::nullopt;
        }
        Entries.push_back(*Entry);
    }
    return Entries;
}

std::optional<std::vector<TProgressionEntry>> ReadProgressionFile(const std::string& Path) {
    if (Path.empty()) {
        return std::nullopt;
    }
    TDescriptor File(open(Path.c_str(), O_RDONLY | O_CLOEXEC));
    if (File.Get() < 0) {
        return std::nullopt;
    }
    std::string Contents;
    char Buffer[65536];
    for (;;) {
        const ssize_t Read = read(File.Get(), Buffer, sizeof Buffer);
        if (Read < 0 && errno == EINTR) {
            continue;
        }
        if (Read < 0) {
            return std::nullopt; // a folder, or a read error
        }
        if (Read == 0) {
            break;
        }
        Contents.append(Buffer, static_cast<std::size_t>(Read));
    }
    return ParseProgression(Contents);
}

bool WriteProgressionFile(const std::string& Path, const std::vector<TProgressionEntry>& Entries) {
    if (Path.empty() || !FitsProgressionFile(Entries)) {
        return false;
    }
    std::string Bytes;
    Bytes.reserve(Entries.size() * (kLineLength + 2));
    for (const TProgressionEntry& Entry : Entries) {
        Bytes += EntryLine(Entry);
        Bytes += "\r\n";
    }
    TReplacement File(Path);
    return File.Descriptor() >= 0 && fchmod(File.Descriptor(), ModeFor(Path)) == 0 &&
           WriteAll(File.Descriptor(), Bytes) && fsync(File.Descriptor()) == 0 && File.Commit();
}
