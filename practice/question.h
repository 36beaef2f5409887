#pragma once

#include "progression/progression_entry.h"

#include <array>
#include <cstdint>
#include <vector>

// One dictation question: the entries the student's keys are to place, as the progression file
// writes them. Its key is the first entry's.
struct TQuestion {
    std::vector<TProgressionEntry> Entries;

    TTonality Key() const {
        return Entries.empty() ? TTonality{{'C', 0}, mdMajor} : Entries[0].Tonality;
    }
};

// How much each degree 1..7 (index Degree - 1) should draw a question towards it.
using TDegreeWeights = std::array<std::uint32_t, 7>;

// The question of a built-in lesson (1..7) for a seed: the same on every machine. A lesson
// that does not exist gives a question without entries.
//
// The questions follow the functional grammar: they start on I, end V–I, and go from degree to
// degree as the transition table allows, whatever the variant. A secondary dominant of degree
// x stands where x may stand, as the two entries the keys place: (K, 5) and (K, 1), K the key
// on x; the question goes on from x. A modulation (lesson 6, and now and then lesson 7) goes
// through one pivot chord, entered in the old key and read with Ctrl+digit in the new one.
TQuestion BuiltInQuestion(std::int32_t Lesson, std::uint32_t Seed);

// A question of the same lesson and seed drawn towards the degrees Weights favour: several
// candidates are drawn from the seed and the one whose entries weigh most is taken, the first
// of equals. All weights zero give BuiltInQuestion's question.
TQuestion FocusedQuestion(std::int32_t Lesson, std::uint32_t Seed, const TDegreeWeights& Weights);
