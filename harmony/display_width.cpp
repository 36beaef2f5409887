#include "harmony/display_width.h"

std::size_t DisplayWidth(std::string_view Text) {
    std::size_t Columns = 0;
    for (const char Byte : Text) {
        const auto Code = static_cast<unsigned char>(Byte);
        if (Code < 0x80) {
            Columns += 1;
        } else if ((Code & 0xC0) != 0x80) { // a lead byte; continuation bytes add nothing
            Columns += 2;
        }
    }
    return Columns;
}

std::size_t CharacterWidth(char Lead) {
    return static_cast<unsigned char>(Lead) < 0x80 ? 1 : 2;
}

std::size_t CharacterLength(std::string_view Text, std::size_t At) {
    std::size_t End = At + 1;
    while (End < Text.size() && (static_cast<unsigned char>(Text[End]) & 0xC0) == 0x80) {
        ++End;
    }
    return End - At;
}
