#pragma once

#include <cstddef>
#include <string_view>

// Columns that Text takes on the display: a character below U+0080 takes one, every other
// character two (key letters, numerals, ♯, ♭, ｍ, ？ are all full-width). Text is UTF-8.
std::size_t DisplayWidth(std::string_view Text);
