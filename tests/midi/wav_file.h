#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The left channel of a 16-bit stereo WAV file as floats in -1..1; everything after the
// "data" chunk header counts, so that a header whose sizes were never filled in still reads.
inline std::vector<float> ReadWavLeft(const std::string& Path) {
    std::ifstream File(Path, std::ios::binary);
    const std::vector<char> Bytes((std::istreambuf_iterator<char>(File)),
                                  std::istreambuf_iterator<char>());
    std::vector<float> Left;
    std::size_t Data = 12;
    while (Data + 8 <= Bytes.size() && std::memcmp(&Bytes[Data], "data", 4) != 0) {
        std::uint32_t Size;
        std::memcpy(&Size, &Bytes[Data + 4], 4);
        Data += 8 + Size + (Size & 1);
    }
    for (std::size_t i = Data + 8; i + 4 <= Bytes.size(); i += 4) {
        std::int16_t Sample;
        std::memcpy(&Sample, &Bytes[i], 2);
        Left.push_back(static_cast<float>(Sample) / 32768.0f);
    }
    return Left;
}
