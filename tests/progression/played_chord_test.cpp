// Chords played in: when notes become a chord, how it is named, and that a played chord and
// its letter key leave the same session behind.
#include "harmony/calculator.h"
#include "progression/key_codes.h"
#include "progression/played_chord.h"
#include "progression/progression_file.h"
#include "tests/progression/test_model.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using TNotes = std::vector<int>;

// On, off and time passing, and what each takes: timing, the release rule, once per set.
TEST(ChordTaker, TakesEachSetOnceWhenItSettlesOrLetsGo) {
    enum TMotion { On, Off, Pass };
    struct TStep {
        TMotion Motion;
        int Note; // for Pass: unused
        int AtMs;
        TNotes Takes;
    };
    const std::vector<std::vector<TStep>> Cases = {
        // Settles 40 ms after the last note-on, not before; releasing then takes nothing.
        {{On, 60, 0, {}},
         {On, 64, 10, {}},
         {On, 67, 20, {}},
         {Pass, 0, 59, {}},
         {Pass, 0, 60, {60, 64, 67}},
         {Off, 67, 70, {}},
         {Off, 64, 71, {}}},
        // A release among three or more takes them all at once.
        {{On, 48, 0, {}},
         {On, 52, 1, {}},
         {On, 55, 2, {}},
         {On, 60, 3, {}},
         {Off, 55, 20, {48, 52, 55, 60}},
         {Pass, 0, 100, {}}},
        // Two notes never settle; a note-on restarts the wait and makes a new set.
        {{On, 60, 0, {}},
         {On, 64, 0, {}},
         {Pass, 0, 100, {}},
         {Off, 64, 110, {}},
         {On, 65, 200, {}},
         {On, 69, 230, {}},
         {Pass, 0, 269, {}},
         {On, 72, 269, {}},
         {Pass, 0, 309, {60, 65, 69, 72}},
         {Off, 72, 400, {}},
         {On, 67, 410, {}},
         {Off, 60, 420, {60, 65, 67, 69}}},
        // A note-on after the wait ran out takes the chord before it first.
        {{On, 57, 0, {}},
         {On, 60, 0, {}},
         {On, 64, 0, {}},
         {On, 69, 45, {57, 60, 64}},
         {Pass, 0, 84, {}},
         {Pass, 0, 85, {57, 60, 64, 69}}},
    };
    for (std::size_t c = 0; c < Cases.size(); ++c) {
        TChordTaker Taker;
        for (const TStep& Step : Cases[c]) {
            const std::int64_t Now = std::int64_t{Step.AtMs} * 1000;
            const std::optional<TNotes> Taken = Step.Motion == On    ? Taker.NoteOn(Step.Note, Now)
                                                : Step.Motion == Off ? Taker.NoteOff(Step.Note, Now)
                                                                     : Taker.Advance(Now);
            EXPECT_EQ(Taken.value_or(TNotes{}), Step.Takes) << "case " << c << " at " << Step.AtMs;
        }
    }
}

// The name a set of notes plays, in a key: any inversion and doubling; the fewest accidentals,
// and on a tie sharps where the key has sharps or none, flats where it has flats.
TEST(PlayedTriad, NamesTheRootWithTheFewestAccidentals) {
    const TTonality CMajor{{'C', 0}, mdMajor};
    const TTonality FMajor{{'F', 0}, mdMajor};
    const TTonality DMinor{{'D', 0}, mdMinor};
    const struct {
        TNotes Notes;
        TTonality Key;
        std::optional<TChord> Want;
    } Cases[] = {
        {{60, 64, 67}, CMajor, NamedTriad({'C', 0}, false, false)},
        {{40, 55, 60, 72, 76}, CMajor, NamedTriad({'C', 0}, false, false)},
        {{62, 69, 77}, CMajor, NamedTriad({'D', 0}, true, false)},
        {{59, 62, 65}, CMajor, NamedTriad({'B', 0}, false, true)},
        {{66, 70, 73}, CMajor, NamedTriad({'F', 1}, false, false)},
        {{66, 70, 73}, FMajor, NamedTriad({'G', -1}, false, false)},
        {{66, 70, 73}, DMinor, NamedTriad({'G', -1}, false, false)},
        {{63, 67, 70}, CMajor, NamedTriad({'E', -1}, false, false)},
        {{61, 64, 68}, FMajor, NamedTriad({'C', 1}, true, false)},
        {{56, 59, 63}, CMajor, NamedTriad({'G', 1}, true, false)},
        {{60, 64, 68}, CMajor, std::nullopt},
        {{60, 64, 67, 70}, CMajor, std::nullopt},
        {{60, 72, 67}, CMajor, std::nullopt},
    };
    for (const auto& c : Cases) {
        const std::optional<TChord> Got = PlayedTriad(c.Notes, c.Key);
        ASSERT_EQ(Got.has_value(), c.Want.has_value()) << c.Notes.front();
        if (Got) {
            EXPECT_EQ(TCalculatorEx::ChordName(*Got), TCalculatorEx::ChordName(*c.Want))
                << c.Notes.front() << " in " << c.Key.Tonic.Letter;
        }
    }
}

// Random sessions of chords, Space and replays: each chord played in (in a random inversion
// and doubling) leaves the model as its letter key leaves it, display and progression.
TEST(PlayedTriad, PlayedChordsLeaveTheSessionTheirLetterKeysLeave) {
    std::mt19937 Random(20261209);
    for (int Session = 0; Session < 60; ++Session) {
        TModel Typed;
        TModel Played;
        std::int64_t Now = 0;
        for (int Step = 0; Step < 12; ++Step) {
            const int Pick = static_cast<int>(Random() % 10);
            if (Pick == 0) {
                Typed.Press(vkSpace);
                Played.Press(vkSpace);
            } else if (Pick == 1) {
                Typed.Press(vkHome);
                Played.Press(vkHome);
                Typed.Press(vkEnter);
                Played.Press(vkEnter);
            } else {
                const int Root = static_cast<int>(Random() % 12);
                const int Kind = static_cast<int>(Random() % 3);
                const int Third = Kind == 0 ? 4 : 3;
                const int Fifth = Kind == 2 ? 6 : 7;
                TNotes Notes = {48 + Root, 60 + (Root + Third) % 12, 60 + (Root + Fifth) % 12};
                if (Random() % 2 == 0) {
                    Notes.push_back(72 + Root);
                }
                const std::optional<TChord> Named = PlayedTriad(Notes, Typed.Form.GetTonality());
                ASSERT_TRUE(Named.has_value());
                const std::uint16_t Arrow = Named->Root.Accidental > 0   ? vkUp
                                            : Named->Root.Accidental < 0 ? vkDown
                                                                         : 0;
                if (Arrow != 0) {
                    Typed.Press(Arrow);
                }
                Typed.Press(static_cast<std::uint16_t>(Named->Root.Letter), Kind == 1   ? ssAlt
                                                                            : Kind == 2 ? ssShift
                                                                                        : 0);
                if (Arrow != 0) {
                    std::uint16_t Key = Arrow;
                    Typed.Form.OnKeyUp(Key, 0);
                }
                for (const int Note : Notes) {
                    Played.Form.OnMidiIn(0x90u | static_cast<std::uint32_t>(Note) << 8 | 0x400000u,
                                         Now);
                }
                Now += TChordTaker::kSettleTime;
                Played.Form.AdvanceMidiIn(Now);
                for (const int Note : Notes) {
                    Played.Form.OnMidiIn(0x80u | static_cast<std::uint32_t>(Note) << 8, Now);
                }
            }
            for (int Line = 0; Line < TDisplayLayout::kLineCount; ++Line) {
                ASSERT_EQ(Played.Form.Lines().Get(Line), Typed.Form.Lines().Get(Line))
                    << "session " << Session << " step " << Step;
            }
            ASSERT_EQ(Played.Form.GetCursor(), Typed.Form.GetCursor());
            ASSERT_EQ(Played.Form.GetCandidateIndex(), Typed.Form.GetCandidateIndex());
            ASSERT_EQ(Played.Form.GetProgression().size(), Typed.Form.GetProgression().size());
            for (std::size_t i = 0; i < Typed.Form.GetProgression().size(); ++i) {
                ASSERT_EQ(EntryLine(Played.Form.GetProgression()[i]),
                          EntryLine(Typed.Form.GetProgression()[i]));
            }
        }
    }
}

} // namespace
