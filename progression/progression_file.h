#pragma once

#include "progression/progression_entry.h"

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// The progression file: one line of six ASCII characters per entry (letter, accidental in two
// columns, mode, degree, variant), each ended by CR LF.

// The six characters of an entry as the writer makes them. An accidental outside -9..99 does
// not fit its two columns and comes out cut ("C-1010" for C with -10, major, degree 1).
std::string EntryLine(const TProgressionEntry& Entry);

// Whether every entry fits the file's columns.
bool FitsProgressionFile(const std::vector<TProgressionEntry>& Entries);

// The entry of one line (without its line break), or nothing when the line is refused: fewer
// than six characters, a letter other than A..G, a mode other than 0/1, a degree outside 1..7,
// a variant outside 0..3, or a byte outside ASCII among the first six. Characters after the
// sixth are ignored.
std::optional<TProgressionEntry> ParseEntryLine(std::string_view Line);

// The entries of a whole file's contents, or nothing when any line is refused. LF, CR LF and a
// lone CR each end a line; empty lines after the last entry are ignored.
std::optional<std::vector<TProgressionEntry>> ParseProgression(std::string_view Contents);

// Whether Path names the temporary file of a write that never finished (its writer was
// killed): such a file is never read.
bool IsUnfinishedWrite(const std::string& Path);

// Reads the file at Path; nothing when it cannot be read or a line is refused. Only a regular
// file of at most 64 MiB is read: a pipe, a device, a socket or a folder is refused at once,
// without waiting for a writer.
std::optional<std::vector<TProgressionEntry>> ReadProgressionFile(const std::string& Path);

// Writes Entries to the file Path stands for (symbolic links followed; a dangling link creates
// the file it points at), replacing it only once every line has been written: on any failure
// it keeps its previous contents (or does not appear) and no other file is left beside it.
// A replaced file keeps its permissions, and its owner and group where the system allows.
// Refused: entries that do not fit the file, an existing target that is not a regular file or
// that may not be written to. Where the folder lets no new file be made, or lets no file of
// another user be replaced (a sticky folder such as /tmp), a writable target is rewritten in
// place. A write beyond the file-size limit (ulimit -f) fails like any other; the program goes
// on.
bool WriteProgressionFile(const std::string& Path, const std::vector<TProgressionEntry>& Entries);

// Writes Bytes to the file Path stands for, all or nothing, as WriteProgressionFile does.
// Nothing when it was written, else why not: the system's reason, or for a refusal of our own
// ENOENT (an empty name), ELOOP (a loop of links), EISDIR (a folder), EINVAL (any other file
// that is not a regular one), EACCES or EROFS (a target that may not be written), EFBIG (more
// than the file-size limit allows).
std::error_code WriteWholeFile(const std::string& Path, const std::string& Bytes);
