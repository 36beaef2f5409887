#pragma once

#include "harmony/chord.h"
#include "harmony/four_part.h"
#include "midi/midi_backend.h"

#include <optional>
#include <string>
#include <vector>

// Sounds chords on one MIDI output device at a time, on channel 1: every pitch class of the
// chord in the three octaves above middle C and its sounding root in the two octaves up to
// middle C, all at velocity 64. Notes are never released singly: the next chord or any
// silencing ends them all with one all-notes-off.
// The notes of the block voicing of Chord, from the top down.
std::vector<int> BlockVoicing(const TChord& Chord);

class TInstrument {
public:
    explicit TInstrument(TMidiBackend& Backend);
    virtual ~TInstrument();
    TInstrument(const TInstrument&) = delete;
    TInstrument& operator=(const TInstrument&) = delete;

    int GetDevCount();
    // Sets Name and returns true, or returns false and leaves Name alone.
    bool GetDevProp(int Device, std::string& Name);
    // Silences and closes the device open until now, then opens Device (-1: the default one).
    // After a failed open no device is open and messages are dropped until the next open.
    bool Open(int Device);
    // Program numbers count from 1. Numbers outside 1..128 make no valid data byte: the
    // device is silenced and no program change is sent.
    void SetVoice(int ProgramNumber);
    void SoundOff();
    void PlayChord(const TChord& Chord);
    // The four voices of a chord, soprano to bass, in place of whatever sounded.
    void PlayVoices(const TFourVoices& Voices);
    // A note played on an input keyboard, passed through on channel 1 with its velocity: a
    // note-on, or a note-off (as a note-off, or a note-on of velocity 0, as it came).
    void PassThrough(bool NoteOffStatus, int Note, int Velocity);

private:
    void CloseDevice();
    void NoteOn(int Note, int Velocity);
    void AllNotesOff();
    void Send(std::uint32_t Message);

    TMidiBackend& Backend;
    // The open device: empty before the first open and after a failed one, when every
    // message is dropped and there is nothing to close.
    std::optional<TMidiHandle> Handle;
};
