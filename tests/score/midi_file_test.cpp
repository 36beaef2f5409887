#include "score/midi_file.h"

#include "harmony/calculator.h"
#include "harmony/four_part.h"
#include "midi/instrument.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// What a Standard MIDI File holds, read by the file format's rules alone.
struct TNote {
    int Track, Start, End, Note, Velocity;
};
struct TKeyEvent {
    int Tick, Fifths, Minor;
};
struct TRead {
    int Format = -1, Tracks = 0, Division = 0;
    int Tempo = 0; // microseconds per quarter note
    std::string TimeSignature;
    std::vector<TKeyEvent> Keys;
    std::vector<std::string> Names;
    std::vector<int> Programs;
    std::vector<TNote> Notes;
    std::vector<int> TrackEnds;
};

class TReader {
public:
    explicit TReader(const std::string& Bytes) : Bytes(Bytes) {}

    TRead Read() {
        TRead Out;
        EXPECT_EQ(Take(4), "MThd");
        EXPECT_EQ(Number(4), 6u);
        Out.Format = static_cast<int>(Number(2));
        Out.Tracks = static_cast<int>(Number(2));
        Out.Division = static_cast<int>(Number(2));
        for (int Track = 0; Track < Out.Tracks; ++Track) {
            EXPECT_EQ(Take(4), "MTrk");
            const std::size_t Length = Number(4);
            const std::size_t End = At + Length;
            ReadTrack(Track, End, Out);
            EXPECT_EQ(At, End) << "track " << Track << " ends where its length says";
        }
        EXPECT_EQ(At, Bytes.size());
        return Out;
    }

private:
    void ReadTrack(int Track, std::size_t End, TRead& Out) {
        int Tick = 0;
        std::map<int, std::pair<int, int>> Sounding; // note → start, velocity
        std::uint8_t Status = 0;
        while (At < End) {
            Tick += static_cast<int>(Quantity());
            std::uint8_t Byte = Peek();
            if (Byte & 0x80) {
                Status = Byte;
                ++At;
            }
            if (Status == 0xFF) {
                const int Type = Next();
                const std::string Data = Take(Quantity());
                if (Type == 0x51) {
                    Out.Tempo = (Data[0] & 0xFF) << 16 | (Data[1] & 0xFF) << 8 | (Data[2] & 0xFF);
                } else if (Type == 0x58) {
                    Out.TimeSignature =
                        std::to_string(Data[0]) + "/" + std::to_string(1 << Data[1]);
                } else if (Type == 0x59) {
                    Out.Keys.push_back({Tick, static_cast<std::int8_t>(Data[0]), Data[1]});
                } else if (Type == 0x03) {
                    Out.Names.push_back(Data);
                } else if (Type == 0x2F) {
                    Out.TrackEnds.push_back(Tick);
                }
            } else if ((Status & 0xF0) == 0xC0) {
                Out.Programs.push_back(Next());
            } else if ((Status & 0xF0) == 0x90 || (Status & 0xF0) == 0x80) {
                const int Note = Next(), Velocity = Next();
                if ((Status & 0xF0) == 0x90 && Velocity > 0) {
                    EXPECT_EQ(Status & 0x0F, 0) << "channel 1";
                    Sounding[Note] = {Tick, Velocity};
                } else {
                    const auto Found = Sounding.find(Note);
                    ASSERT_NE(Found, Sounding.end()) << "a note ends that never began";
                    Out.Notes.push_back(
                        {Track, Found->second.first, Tick, Note, Found->second.second});
                    Sounding.erase(Found);
                }
            } else {
                ADD_FAILURE() << "unexpected status " << int{Status};
                return;
            }
        }
        EXPECT_TRUE(Sounding.empty()) << "notes left sounding";
    }

    std::uint8_t Peek() const { return static_cast<std::uint8_t>(Bytes.at(At)); }
    int Next() { return static_cast<std::uint8_t>(Bytes.at(At++)); }
    std::string Take(std::size_t Count) {
        const std::string Out = Bytes.substr(At, Count);
        At += Count;
        return Out;
    }
    std::size_t Number(int Width) {
        std::size_t Value = 0;
        for (int i = 0; i < Width; ++i) {
            Value = Value << 8 | static_cast<std::size_t>(Next());
        }
        return Value;
    }
    std::size_t Quantity() {
        std::size_t Value = 0;
        int Byte;
        do {
            Byte = Next();
            Value = Value << 7 | static_cast<std::size_t>(Byte & 0x7F);
        } while (Byte & 0x80);
        return Value;
    }

    const std::string& Bytes;
    std::size_t At = 0;
};

TProgressionEntry At(char Letter, int Accidental, TMode Mode, int Degree) {
    return {{{Letter, Accidental}, Mode}, Degree, cvNormal};
}

// C major I IV V, then G major I, then C♯ minor V and F♯ major (6 sharps) I, G♯ major (8).
const std::vector<TProgressionEntry> kProgression = {
    At('C', 0, mdMajor, 1), At('C', 0, mdMajor, 4), At('C', 0, mdMajor, 5), At('G', 0, mdMajor, 1),
    At('C', 1, mdMinor, 5), At('F', 1, mdMajor, 1), At('G', 1, mdMajor, 1),
};

std::vector<int> NotesStartingAt(const TRead& Read, int Tick) {
    std::vector<int> Notes;
    for (const TNote& Note : Read.Notes) {
        if (Note.Start == Tick) {
            Notes.push_back(Note.Note);
            EXPECT_EQ(Note.End, Tick + 1920);
            EXPECT_EQ(Note.Velocity, 64);
            EXPECT_EQ(Note.Track, 1);
        }
    }
    return Notes;
}

TEST(MidiFile, HoldsTheTempoTheKeysTheProgramAndAMeasurePerChord) {
    for (const TVoicing Voicing : {TVoicing::Block, TVoicing::FourPart}) {
        const TRead Read = TReader(StandardMidiFile(kProgression, 49, Voicing)).Read();
        EXPECT_EQ(Read.Format, 1);
        EXPECT_EQ(Read.Tracks, 2);
        EXPECT_EQ(Read.Division, 480);
        EXPECT_EQ(Read.Tempo, 1000000);
        EXPECT_EQ(Read.TimeSignature, "4/4");
        const std::vector<std::tuple<int, int, int>> WantKeys = {
            {0, 0, 0}, {3 * 1920, 1, 0}, {4 * 1920, 4, 1}, {5 * 1920, 6, 0}, {6 * 1920, -4, 0}};
        ASSERT_EQ(Read.Keys.size(), WantKeys.size());
        for (std::size_t i = 0; i < WantKeys.size(); ++i) {
            EXPECT_EQ(std::make_tuple(Read.Keys[i].Tick, Read.Keys[i].Fifths, Read.Keys[i].Minor),
                      WantKeys[i]);
        }
        EXPECT_EQ(Read.Names, (std::vector<std::string>{"String Ensemble 1"}));
        EXPECT_EQ(Read.Programs, (std::vector<int>{48}));
        EXPECT_EQ(Read.TrackEnds, (std::vector<int>{7 * 1920, 7 * 1920}));
        std::optional<TVoicedChord> Previous;
        for (std::size_t i = 0; i < kProgression.size(); ++i) {
            TChordVariant Variant = cvNormal;
            const TChord Chord =
                TCalculatorEx::ChordOf(Variant, kProgression[i].Tonality, kProgression[i].Degree);
            std::vector<int> Want = BlockVoicing(Chord);
            if (Voicing == TVoicing::FourPart) {
                const TFourPartChord Next = FourPartChordOf(Chord, kProgression[i].Tonality);
                Previous = TVoicedChord{LeadVoices(Previous, Next), Next};
                Want.assign(Previous->Voices.begin(), Previous->Voices.end());
            }
            EXPECT_EQ(NotesStartingAt(Read, static_cast<int>(i) * 1920), Want) << "chord " << i;
        }
    }
}

TEST(MidiFile, WithoutAProgramOrChordsStillAWholeFile) {
    const TRead Empty = TReader(StandardMidiFile({}, std::nullopt, TVoicing::Block)).Read();
    EXPECT_TRUE(Empty.Notes.empty() && Empty.Keys.empty() && Empty.Programs.empty());
    EXPECT_EQ(Empty.Names, (std::vector<std::string>{"Acoustic Grand Piano"}));
    const TRead Slow = TReader(StandardMidiFile(kProgression, 129, TVoicing::Block, 30)).Read();
    EXPECT_TRUE(Slow.Programs.empty());
    EXPECT_EQ(Slow.Tempo, 2000000);
    EXPECT_EQ(TReader(StandardMidiFile(kProgression, 128, TVoicing::Block)).Read().Programs,
              (std::vector<int>{127}));
}

} // namespace
