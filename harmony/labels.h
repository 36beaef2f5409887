#pragma once

#include <string_view>

// Key names: 0..6 major (upper case), 7..13 minor (lower case), each in the order C D E F G A B.
// Chord names always take the upper-case row.
inline constexpr std::string_view KeyNames[14] = {
    "Ｃ", "Ｄ", "Ｅ", "Ｆ", "Ｇ", "Ａ", "Ｂ", "ｃ", "ｄ", "ｅ", "ｆ", "ｇ", "ａ", "ｂ",
};

inline constexpr std::string_view RomanNumerals[7] = {"Ⅰ", "Ⅱ", "Ⅲ", "Ⅳ", "Ⅴ", "Ⅵ", "Ⅶ"};

// Stands for an accidental beyond two signs, a chord that is no major, minor or diminished
// triad, and any table entry that an out-of-range value would select.
inline constexpr std::string_view UnknownMark = "？";
