#include "progression/voicing.h"

#include "harmony/calculator.h"
#include "harmony/four_part.h"
#include "midi/instrument.h"

std::vector<std::vector<int>> SoundingNotes(const std::vector<TProgressionEntry>& Entries,
                                            TVoicing Voicing) {
    std::vector<std::vector<int>> Notes;
    Notes.reserve(Entries.size());
    std::optional<TFourVoices> Previous;
    for (const TProgressionEntry& Entry : Entries) {
        TChordVariant Variant = Entry.Variant;
        const TChord Chord = TCalculatorEx::ChordOf(Variant, Entry.Tonality, Entry.Degree);
        if (Voicing == TVoicing::Block) {
            Notes.push_back(BlockVoicing(Chord));
        } else {
            Previous = LeadVoices(Previous, FourPartChordOf(Chord, Entry.Tonality));
            Notes.emplace_back(Previous->begin(), Previous->end());
        }
    }
    return Notes;
}
