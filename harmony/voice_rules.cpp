#include "harmony/voice_rules.h"

#include <algorithm>

TStepContext StepContextOf(const std::optional<TVoicedChord>& Previous,
                           const TFourPartChord& Chord) {
    TStepContext Step{Chord, std::nullopt, {}};
    if (!Previous) {
        return Step;
    }
    Step.Previous = Previous->Voices;
    for (std::size_t Voice = 0; Voice < 4; ++Voice) {
        const int Note = Previous->Voices[Voice];
        const int Tone = ChordToneOf(Previous->Chord, Note);
        if (Tone >= 0) {
            Step.PreviousPlaced[Voice] =
                PlacedNote(Previous->Chord.Names[static_cast<std::size_t>(Tone)], Note);
        }
    }
    return Step;
}

std::vector<TVoiceBreak> VoiceBreaks(const std::optional<TVoicedChord>& Previous,
                                     const TFourVoices& Next, const TFourPartChord& Chord) {
    const TStepContext Step = StepContextOf(Previous, Chord);
    std::vector<TVoiceBreak> Breaks;
    const auto Add = [&](TVoiceRule Rule, TVoiceSet Voices) {
        if (CountedOnce[Rule]) {
            for (TVoiceBreak& Earlier : Breaks) {
                if (Earlier.Rule == Rule) {
                    Earlier.Voices = static_cast<TVoiceSet>(Earlier.Voices | Voices);
                    return;
                }
            }
        }
        Breaks.push_back({Rule, Voices});
    };
    for (std::size_t Voice = 0; Voice < 4; ++Voice) {
        BreaksOfNote(Step, Voice, Next[Voice], Add);
        BreaksUnderVoices(Step, Next, Voice, Add);
    }
    std::stable_sort(Breaks.begin(), Breaks.end(),
                     [](const TVoiceBreak& A, const TVoiceBreak& B) { return A.Rule < B.Rule; });
    return Breaks;
}

std::array<int, WeightCount> WeightsOf(const std::vector<TVoiceBreak>& Breaks) {
    std::array<int, WeightCount> Counts{};
    for (const TVoiceBreak& Break : Breaks) {
        ++Counts[RuleWeights[Break.Rule]];
    }
    return Counts;
}

std::string BreakText(const TVoiceBreak& Break) {
    std::string Text = RuleNames[Break.Rule];
    char Separator = ' ';
    for (std::size_t Voice = 0; Voice < 4; ++Voice) {
        if ((Break.Voices & VoiceBit(Voice)) != 0) {
            Text += Separator;
            Text += VoiceLetters[Voice];
            Separator = '-';
        }
    }
    return Text;
}
