#include "progression/voicing.h"

#include "harmony/calculator.h"
#include "harmony/four_part.h"
#include "midi/instrument.h"

TFourVoices VoicesOf(const TProgressionEntry& Entry, const std::optional<TFourVoices>& Previous) {
    if (Entry.Voices) {
        return *Entry.Voices;
    }
    TChordVariant Variant = Entry.Variant;
    const TChord Chord = TCalculatorEx::ChordOf(Variant, Entry.Tonality, Entry.Degree);
    return LeadVoices(Previous, FourPartChordOf(Chord, Entry.Tonality));
}

std::vector<std::vector<int>> SoundingNotes(const std::vector<TProgressionEntry>& Entries,
                                            TVoicing Voicing) {
    std::vector<std::vector<int>> Notes;
    Notes.reserve(Entries.size());
    std::optional<TFourVoices> Previous;
    for (const TProgressionEntry& Entry : Entries) {
        if (Voicing == TVoicing::Block) {
            TChordVariant Variant = Entry.Variant;
            Notes.push_back(
                BlockVoicing(TCalculatorEx::ChordOf(Variant, Entry.Tonality, Entry.Degree)));
        } else {
            Previous = VoicesOf(Entry, Previous);
            Notes.emplace_back(Previous->begin(), Previous->end());
        }
    }
    return Notes;
}
