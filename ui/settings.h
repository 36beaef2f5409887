#pragma once

#include "progression/beat_player.h"
#include "progression/voicing.h"

#include <QRect>
#include <QString>

#include <optional>
#include <string>

// What the program remembers between runs, as one record.
struct TSettings {
    TVoicing Voicing = TVoicing::Block;
    // Chords a minute when a progression is played at a tempo.
    int Tempo = TBeatPlayer::kDefaultTempo;
    // The dictation lesson last chosen ("1".."7" or a teacher's folder), and whether its
    // questions are drawn towards the degrees most often confused.
    std::string Lesson = "1";
    bool FocusWeak = false;
    // The MIDI input port played in from, by its name; "" for none.
    std::string MidiInput;
    // Where the score window was last left: position and size of its client area.
    std::optional<QRect> ScoreWindow;
};

// The settings file of the user (Kadenzo/Kadenzo.conf in the configuration folder), read once
// when made and written whole at every change. Only a regular file is read or written: a
// pipe, a device or a folder in its place is named on the terminal once and left alone, and
// the program runs with the defaults.
class TSettingsStore {
public:
    TSettingsStore();

    const TSettings& Get() const { return Settings; }
    void Set(const TSettings& Changed);

private:
    std::optional<QString> FileName; // nothing: a file that is not ours to read
    TSettings Settings;
};
