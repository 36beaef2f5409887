#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// A short message as it goes on the wire: the status byte and its one or two data bytes.
struct TShortMessage {
    std::array<std::uint8_t, 3> Bytes{};
    std::size_t Size = 0;
};

// Unpacks a packed short message: status in the lowest byte, then the data bytes. Program
// change (Cx) and channel pressure (Dx) carry one data byte, the other channel messages two.
inline TShortMessage UnpackShortMessage(std::uint32_t Packed) {
    TShortMessage Message;
    Message.Bytes = {static_cast<std::uint8_t>(Packed), static_cast<std::uint8_t>(Packed >> 8),
                     static_cast<std::uint8_t>(Packed >> 16)};
    const std::uint8_t Kind = Message.Bytes[0] & 0xF0;
    Message.Size = Kind == 0xC0 || Kind == 0xD0 ? 2 : 3;
    return Message;
}

// Bytes in hex as the transcripts show them: "B0 7B 00".
inline std::string WireText(const std::uint8_t* Bytes, std::size_t Size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string Text;
    for (std::size_t i = 0; i < Size; ++i) {
        if (i > 0) {
            Text += ' ';
        }
        Text += kDigits[Bytes[i] >> 4];
        Text += kDigits[Bytes[i] & 0x0F];
    }
    return Text;
}

inline std::string WireText(const TShortMessage& Message) {
    return WireText(Message.Bytes.data(), Message.Size);
}

// General MIDI program numbers as people count them; the wire carries one less.
inline constexpr int FirstProgramNumber = 1;
inline constexpr int LastProgramNumber = 128;

inline constexpr bool IsProgramNumber(std::int64_t Number) {
    return Number >= FirstProgramNumber && Number <= LastProgramNumber;
}

inline constexpr std::uint32_t AllNotesOffMessage = 0x7BB0; // B0 7B 00

inline constexpr std::uint32_t ProgramChangeMessage(int Program) {
    return (static_cast<std::uint32_t>(Program) << 8) + 0xC0;
}

inline constexpr std::uint32_t NoteOnMessage(int Note, int Velocity) {
    return 0x90 + static_cast<std::uint32_t>(Note) * 256 +
           static_cast<std::uint32_t>(Velocity) * 65536;
}
