#include "midi/instrument.h"

#include "harmony/calculator.h"
#include "midi/midi_message.h"

#include <utility>

namespace {

constexpr int kVelocity = 64;
constexpr int kUpperTop = 96, kUpperBottom = 61;
constexpr int kBassTop = 60, kBassBottom = 37;

// True when some tone of the chord, up to its end marker, has pitch class Note mod 12.
bool ChordHasPitchClass(const std::array<int, 5>& Classes, std::size_t Count, int Note) {
    for (std::size_t i = 0; i < Count; ++i) {
        if (Classes[i] == Note % 12) {
            return true;
        }
    }
    return false;
}

} // namespace

TInstrument::TInstrument(TMidiBackend& Backend) : Backend(Backend) {}

TInstrument::~TInstrument() {
    CloseDevice();
}

int TInstrument::GetDevCount() {
    return Backend.DeviceCount();
}

bool TInstrument::GetDevProp(int Device, std::string& Name) {
    if (auto Found = Backend.DeviceName(Device)) {
        Name = std::move(*Found);
        return true;
    }
    return false;
}

bool TInstrument::Open(int Device) {
    CloseDevice();
    Handle = Backend.Open(Device);
    if (Handle) {
        AllNotesOff();
    }
    return Handle.has_value();
}

void TInstrument::SetVoice(int ProgramNumber) {
    AllNotesOff();
    if (IsProgramNumber(ProgramNumber)) {
        Send(ProgramChangeMessage(ProgramNumber - FirstProgramNumber));
    }
}

void TInstrument::SoundOff() {
    AllNotesOff();
}

std::vector<int> BlockVoicing(const TChord& Chord) {
    // The pitch classes of the tones, in slot order up to the end marker.
    std::array<int, 5> Classes{};
    std::size_t Count = 0;
    while (Count < Chord.Tones.size() && Chord.Tones[Count].Steps >= 0) {
        Classes[Count] =
            TCalculator::PitchClass(TCalculator::Transpose(Chord.Root, Chord.Tones[Count]));
        ++Count;
    }
    std::vector<int> Notes;
    for (int Note = kUpperTop; Note >= kUpperBottom; --Note) {
        if (ChordHasPitchClass(Classes, Count, Note)) {
            Notes.push_back(Note);
        }
    }
    // The bass doubles the sounding root only, whatever the other tones are.
    for (int Note = kBassTop; Note >= kBassBottom; --Note) {
        if (Count > 0 && Classes[0] == Note % 12) {
            Notes.push_back(Note);
        }
    }
    return Notes;
}

void TInstrument::PlayChord(const TChord& Chord) {
    AllNotesOff();
    for (const int Note : BlockVoicing(Chord)) {
        NoteOn(Note, kVelocity);
    }
}

void TInstrument::PlayVoices(const TFourVoices& Voices) {
    AllNotesOff();
    for (const int Note : Voices) {
        NoteOn(Note, kVelocity);
    }
}

void TInstrument::CloseDevice() {
    if (Handle) {
        AllNotesOff();
        Backend.Close(*std::exchange(Handle, std::nullopt));
    }
}

void TInstrument::PassThrough(bool NoteOffStatus, int Note, int Velocity) {
    const std::uint32_t Status = NoteOffStatus ? 0x80 : 0x90;
    Send(Status | static_cast<std::uint32_t>(Note & 0x7F) << 8 |
         static_cast<std::uint32_t>(Velocity & 0x7F) << 16);
}

void TInstrument::NoteOn(int Note, int Velocity) {
    Send(NoteOnMessage(Note, Velocity));
}

void TInstrument::AllNotesOff() {
    Send(AllNotesOffMessage);
}

void TInstrument::Send(std::uint32_t Message) {
    if (Handle) {
        Backend.Send(*Handle, Message);
    }
}
