#pragma once

#include "practice/grading.h"

#include <map>
#include <string>
#include <system_error>

// Every lesson's record, by the lesson as the practice command names it: its number ("1".."7")
// or the teacher's folder.
using TRecords = std::map<std::string, TLessonRecord>;

// The records file's name in the user's data folder.
inline constexpr char kRecordsFileName[] = "practice-records.txt";

// The records file, UTF-8 text, each line ended by LF:
//     kadenzo-practice-records 1
//     lesson ASKED RIGHT NAME
//     confusion EXPECTED ANSWERED COUNT
// The first line names the format and its version. A lesson line holds its counts in decimal
// and then the lesson's name to the line's end, "\" written "\\" and a line break "\n" (or
// "\r"). The confusion lines after it belong to that lesson: degrees 1..7, a count above
// zero, each pair at most once. Anything else, a lesson twice, more right answers than
// questions or a count beyond 32 bits makes the file damaged.

struct TRecordsRead {
    TRecords Records;
    std::string Message; // what the student is told; empty when the file read or was not there
};

// Reads the records at Path. A damaged file is set aside as Path.damaged-N (the first N from 1
// not taken) and the records start afresh, with a message; so does a file that cannot be read,
// left where it is. Nothing here stops the program.
TRecordsRead ReadRecords(const std::string& Path);

// Writes Records to Path all or nothing (the old file stays whole whatever happens), making
// its folder first when there is none. Nothing when it was written, else why not.
std::error_code WriteRecords(const std::string& Path, const TRecords& Records);
