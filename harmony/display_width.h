#pragma once

#include <cstddef>
#include <string_view>

// Columns that Text takes on the display: a character below U+0080 takes one, every other
// character two (key letters, numerals, ♯, ♭, ｍ, ？ are all full-width). Text is UTF-8.
std::size_t DisplayWidth(std::string_view Text);

// The columns of the character whose first byte is Lead: the same rule, one character at a
// time.
std::size_t CharacterWidth(char Lead);

// The length in bytes of the UTF-8 character that begins at byte At of Text.
std::size_t CharacterLength(std::string_view Text, std::size_t At);
