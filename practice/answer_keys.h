#pragma once

#include "practice/question.h"
#include "progression/form_main_model.h"

#include <cstdint>
#include <vector>

enum class TKeyMotion : std::uint8_t { Down, Up };

// One key event as the main window's handlers take it.
struct TKeyStroke {
    TKeyMotion Motion;
    std::uint16_t Key;
    TShiftState Shift;
};

// The key events that answer Question from StartAfresh(Question.Key()): each entry placed with
// the digit keys (Down held for a borrowed chord, Alt for the Dorian IV and the Neapolitan II),
// a secondary dominant with Ctrl+Alt+digit, a new key reached by reading the chord just placed
// again with Ctrl+digit, else by Ctrl with the arrows. Only the arrows' releases are listed (the
// model reads no other); a typist releases every other key at once.
std::vector<TKeyStroke> AnswerKeys(const TQuestion& Question);
