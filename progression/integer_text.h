#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The integer conversion of the program-number field and the progression file: optional
// leading blanks (U+0020), an optional sign, then decimal digits or "$" and hexadecimal digits
// of either case. The value must fit 32 bits once the sign is applied; the empty text, a text
// without digits and any character after the number fail.
std::optional<std::int32_t> TextToInteger(std::string_view Text);
