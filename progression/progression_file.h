#pragma once

#include "progression/progression_entry.h"

#include <optional>
#include <string>
#include <string_view>
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

// The entries of a whole file's contents, or nothing when any line is refused. LF and CR LF
// both end a line; empty lines after the last entry are ignored.
std::optional<std::vector<TProgressionEntry>> ParseProgression(std::string_view Contents);

// Reads the file at Path; nothing when it cannot be read or a line is refused.
std::optional<std::vector<TProgressionEntry>> ReadProgressionFile(const std::string& Path);

// Writes Entries to Path, replacing the file only once every line has been written: on any
// failure Path keeps its previous contents (or does not appear) and no other file is left
// beside it. Refuses entries that do not fit the file.
bool WriteProgressionFile(const std::string& Path, const std::vector<TProgressionEntry>& Entries);
