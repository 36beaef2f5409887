#include "progression/integer_text.h"

namespace {

int DigitValue(char Character, int Base) {
    int Value = -1;
    if (Character >= '0' && Character <= '9') {
        Value = Character - '0';
    } else if (Base == 16 && Character >= 'a' && Character <= 'f') {
        Value = Character - 'a' + 10;
    } else if (Base == 16 && Character >= 'A' && Character <= 'F') {
        Value = Character - 'A' + 10;
    }
    return Value;
}

} // namespace

std::optional<std::int32_t> TextToInteger(std::string_view Text) {
    std::size_t At = 0;
    while (At < Text.size() && Text[At] == ' ') {
        ++At;
    }
    bool Negative = false;
    if (At < Text.size() && (Text[At] == '+' || Text[At] == '-')) {
        Negative = Text[At] == '-';
        ++At;
    }
    int Base = 10;
    if (At < Text.size() && Text[At] == '$') {
        Base = 16;
        ++At;
    }
    if (At == Text.size()) {
        return std::nullopt;
    }
    // The magnitude may reach 2^31 for the most negative value.
    const std::int64_t Limit = Negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t Magnitude = 0;
    for (; At < Text.size(); ++At) {
        const int Digit = DigitValue(Text[At], Base);
        if (Digit < 0) {
            return std::nullopt;
        }
        Magnitude = Magnitude * Base + Digit;
        if (Magnitude > Limit) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(Negative ? -Magnitude : Magnitude);
}
