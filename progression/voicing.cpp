#include "progression/voicing.h"

#include "harmony/calculator.h"
#include "harmony/four_part.h"
#include "midi/instrument.h"

TVoicedChord VoicedChordOf(const TProgressionEntry& Entry,
                           const std::optional<TVoicedChord>& Previous) {
    TChordVariant Variant = Entry.Variant;
    const TFourPartChord Chord = FourPartChordOf(
        TCalculatorEx::ChordOf(Variant, Entry.Tonality, Entry.Degree), Entry.Tonality);
    return {Entry.Voices ? *Entry.Voices : LeadVoices(Previous, Chord), Chord};
}

std::vector<std::vector<int>> SoundingNotes(const std::vector<TProgressionEntry>& Entries,
                                            TVoicing Voicing) {
    std::vector<std::vector<int>> Notes;
    Notes.reserve(Entries.size());
    std::optional<TVoicedChord> Previous;
    for (const TProgressionEntry& Entry : Entries) {
        if (Voicing == TVoicing::Block) {
            TChordVariant Variant = Entry.Variant;
            Notes.push_back(
                BlockVoicing(TCalculatorEx::ChordOf(Variant, Entry.Tonality, Entry.Degree)));
        } else {
            Previous = VoicedChordOf(Entry, Previous);
            Notes.emplace_back(Previous->Voices.begin(), Previous->Voices.end());
        }
    }
    return Notes;
}
