#pragma once

#include "harmony/chord.h"
#include "practice/question.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a built-in lesson's questions hold beside the plain degrees of their key; bits of
// TBuiltInLesson's Material and Focus.
enum TLessonMaterial : std::uint8_t {
    lmPlain = 0,
    // Borrowed II, IV, VI in a major key; the Dorian IV and the Neapolitan II in a minor key.
    lmVariants = 1,
    // The dominant of a degree (in its own key), then that degree.
    lmSecondaryDominants = 2,
    // One modulation through a pivot chord to a closely related key.
    lmModulation = 4,
};

// The modes a lesson's keys are taken in.
enum TLessonModes : std::uint8_t { lkMajor = 1, lkMinor = 2, lkBoth = 3 };

struct TBuiltInLesson {
    std::int32_t Number;
    const char* Title;
    TLessonModes Modes;
    std::int32_t MaxFifths; // sharps or flats of the key signature, at most
    std::uint8_t Degrees;   // bit d set for each degree d the questions stand on
    std::uint8_t Material;  // what the questions may hold
    std::uint8_t Focus;     // what every question holds at least once
    std::int32_t MinChords;
    std::int32_t MaxChords;
};

constexpr std::uint8_t DegreeBit(std::int32_t Degree) {
    return static_cast<std::uint8_t>(1u << Degree);
}

inline constexpr std::uint8_t kPrimaryDegrees = DegreeBit(1) | DegreeBit(4) | DegreeBit(5);
// III is in no lesson: the grammar goes to it from nowhere.
inline constexpr std::uint8_t kDiatonicDegrees =
    kPrimaryDegrees | DegreeBit(2) | DegreeBit(6) | DegreeBit(7);
inline constexpr std::uint8_t kAllMaterial = lmVariants | lmSecondaryDominants | lmModulation;

inline constexpr TBuiltInLesson BuiltInLessons[] = {
    {1, "主要三和音", lkMajor, 1, kPrimaryDegrees, lmPlain, lmPlain, 4, 6},
    {2, "副三和音", lkMajor, 2, kDiatonicDegrees, lmPlain, lmPlain, 5, 6},
    {3, "短調", lkMinor, 2, kDiatonicDegrees, lmPlain, lmPlain, 5, 6},
    {4, "借用・ドリア・ナポリ", lkBoth, 2, kDiatonicDegrees, lmVariants, lmVariants, 6, 6},
    {5, "副属和音", lkBoth, 2, kDiatonicDegrees, lmSecondaryDominants, lmSecondaryDominants, 6, 6},
    {6, "転調", lkBoth, 2, kDiatonicDegrees, lmModulation, lmModulation, 8, 8},
    {7, "総合", lkBoth, 4, kDiatonicDegrees, kAllMaterial, lmPlain, 6, 8},
};

// The built-in lesson of this number, or nothing.
const TBuiltInLesson* FindBuiltInLesson(std::int32_t Number);

// A lesson's keys by their signatures, flats first, each major before its relative minor.
std::vector<TTonality> LessonKeys(const TBuiltInLesson& Lesson);

// A teacher's lesson: a folder of progression files, one question each.
struct TTeacherLesson {
    std::string Folder;
    std::string Title;                // the first line of lesson.txt; else the folder's own name
    std::vector<TQuestion> Questions; // in the order of their files' names
    std::vector<std::string> Skipped; // files that did not read as progressions
};

struct TTeacherLessonRead {
    std::optional<TTeacherLesson> Lesson; // nothing: the folder is refused
    std::string Message; // what the student is told (the skipped files, or the refusal); empty when
                         // all read
};

// Every regular file of Folder but lesson.txt and hidden ones is a question, its variants as the
// keys place them (a variant where the degree has none reads as the plain chord). A file that
// does not read, or holds no entry, is skipped; a folder without one question is refused.
TTeacherLessonRead ReadTeacherLesson(const std::string& Folder);

// The question of a teacher's lesson for a seed: the files in turn, from the first for seed 0.
TQuestion TeacherQuestion(const TTeacherLesson& Lesson, std::uint32_t Seed);
