#include "score/midi_file.h"

#include "harmony/calculator.h"
#include "harmony/key_signature.h"
#include "midi/general_midi.h"
#include "midi/midi_message.h"

#include <cstdint>

namespace {

constexpr int kQuartersPerMeasure = 4;
constexpr int kMeasure = MidiFileTicksPerQuarter * kQuartersPerMeasure;
constexpr int kVelocity = 64;
constexpr int kMicrosecondsPerMinute = 60'000'000;

// The events of one track, with their delta times, as the file holds them.
class TTrack {
public:
    void Meta(int Tick, std::uint8_t Type, const std::string& Data) {
        Delta(Tick);
        Bytes += '\xFF';
        Bytes += static_cast<char>(Type);
        Length(Data.size());
        Bytes += Data;
    }
    void Message(int Tick, std::initializer_list<std::uint8_t> Message) {
        Delta(Tick);
        for (const std::uint8_t Byte : Message) {
            Bytes += static_cast<char>(Byte);
        }
    }
    // The chunk, ended at Tick.
    std::string Chunk(int Tick) {
        Meta(Tick, 0x2F, "");
        return "MTrk" + BigEndian(Bytes.size(), 4) + Bytes;
    }

    static std::string BigEndian(std::uint64_t Value, int Width) {
        std::string Out;
        for (int Shift = 8 * (Width - 1); Shift >= 0; Shift -= 8) {
            Out += static_cast<char>((Value >> Shift) & 0xFF);
        }
        return Out;
    }

private:
    void Delta(int Tick) {
        Length(static_cast<std::uint64_t>(Tick - Last));
        Last = Tick;
    }
    // A variable-length quantity: seven bits a byte, the high bit set on all but the last.
    void Length(std::uint64_t Value) {
        std::string Reversed(1, static_cast<char>(Value & 0x7F));
        while ((Value >>= 7) != 0) {
            Reversed += static_cast<char>(0x80 | (Value & 0x7F));
        }
        Bytes.append(Reversed.rbegin(), Reversed.rend());
    }

    std::string Bytes;
    int Last = 0;
};

// A key signature event holds -7..7: the key as a score writes it.
std::string KeySignature(const TTonality& Key) {
    const std::int32_t Fifths = KeySignatureFifths(WrittenKey(Key));
    return {static_cast<char>(static_cast<std::int8_t>(Fifths)),
            static_cast<char>(Key.Mode == mdMinor ? 1 : 0)};
}

std::string TempoTrack(const std::vector<TProgressionEntry>& Entries, int QuartersPerMinute) {
    TTrack Track;
    Track.Meta(0, 0x51, TTrack::BigEndian(kMicrosecondsPerMinute / QuartersPerMinute, 3));
    Track.Meta(0, 0x58, std::string("\x04\x02\x18\x08", 4));
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        if (i == 0 || !TCalculatorEx::SameTonality(Entries[i].Tonality, Entries[i - 1].Tonality)) {
            Track.Meta(static_cast<int>(i) * kMeasure, 0x59, KeySignature(Entries[i].Tonality));
        }
    }
    return Track.Chunk(static_cast<int>(Entries.size()) * kMeasure);
}

std::string ChordTrack(const std::vector<TProgressionEntry>& Entries,
                       std::optional<int> ProgramNumber, TVoicing Voicing) {
    TTrack Track;
    const int Program =
        ProgramNumber && IsProgramNumber(*ProgramNumber) ? *ProgramNumber : FirstProgramNumber;
    Track.Meta(0, 0x03, std::string(GeneralMidiPrograms[Program - FirstProgramNumber]));
    if (ProgramNumber && IsProgramNumber(*ProgramNumber)) {
        Track.Message(0, {0xC0, static_cast<std::uint8_t>(Program - FirstProgramNumber)});
    }
    const std::vector<std::vector<int>> Chords = SoundingNotes(Entries, Voicing);
    for (std::size_t i = 0; i < Chords.size(); ++i) {
        const int Start = static_cast<int>(i) * kMeasure;
        for (const int Note : Chords[i]) {
            Track.Message(Start, {0x90, static_cast<std::uint8_t>(Note), kVelocity});
        }
        for (const int Note : Chords[i]) {
            Track.Message(Start + kMeasure, {0x80, static_cast<std::uint8_t>(Note), 0});
        }
    }
    return Track.Chunk(static_cast<int>(Chords.size()) * kMeasure);
}

} // namespace

std::string StandardMidiFile(const std::vector<TProgressionEntry>& Entries,
                             std::optional<int> ProgramNumber, TVoicing Voicing,
                             int QuartersPerMinute) {
    const std::string Header = "MThd" + TTrack::BigEndian(6, 4) + TTrack::BigEndian(1, 2) +
                               TTrack::BigEndian(2, 2) +
                               TTrack::BigEndian(MidiFileTicksPerQuarter, 2);
    return Header + TempoTrack(Entries, QuartersPerMinute) +
           ChordTrack(Entries, ProgramNumber, Voicing);
}
