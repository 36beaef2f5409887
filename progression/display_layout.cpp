#include "progression/display_layout.h"

#include "harmony/calculator.h"
#include "harmony/display_width.h"

namespace {

constexpr const char* kKeyLabelSuffix = ": ";
constexpr const char* kSeparator = "   ";
constexpr const char* kSlotFiller = "    ";
// A label line wider than this gets the slot filler before its next degree label.
constexpr std::size_t kShortLabelLine = 6;
// The columns of ": " and a three-column degree label after a key label.
constexpr std::int64_t kKeyLabelTail = 5;

std::string Spaces(std::int64_t Count) {
    return Count > 0 ? std::string(static_cast<std::size_t>(Count), ' ') : std::string();
}

std::string DegreeLabelOf(const TProgressionEntry& At) {
    return TCalculatorEx::DegreeLabel(At.Tonality.Mode, At.Degree, At.Variant);
}

} // namespace

void TDisplayLayout::Reset(const TTonality& Key) {
    CurrentLabelLine = kFirstLabelLine;
    KeyColumn = 0;
    Display.Clear();
    for (int i = 0; i < kLineCount; ++i) {
        Display.Add("");
    }
    Display.Put(kFirstLabelLine, TCalculatorEx::TonalityLabel(Key) + kKeyLabelSuffix);
}

void TDisplayLayout::WriteKeyLabel(const TTonality& Key, TKeyLabelPlace Place) {
    const std::string Label = TCalculatorEx::TonalityLabel(Key);
    if (Place == TKeyLabelPlace::ReplaceLast) {
        Display.CutTo(CurrentLabelLine, static_cast<std::size_t>(KeyColumn));
    } else {
        CurrentLabelLine = OtherLabelLine(CurrentLabelLine);
    }
    KeyColumn = static_cast<std::int32_t>(Display.Width(CurrentLabelLine));
    // Label, ": " and a degree label end where the other label line ends.
    const std::int64_t Target =
        static_cast<std::int64_t>(Display.Width(OtherLabelLine(CurrentLabelLine))) - kKeyLabelTail -
        static_cast<std::int64_t>(DisplayWidth(Label));
    Display.Append(CurrentLabelLine, Spaces(Target - KeyColumn) + Label + kKeyLabelSuffix);
}

void TDisplayLayout::WritePivot(const TProgressionEntry& Pivot, TKeyLabelPlace Place) {
    WriteKeyLabel(Pivot.Tonality, Place);
    Display.Append(CurrentLabelLine, DegreeLabelOf(Pivot));
}

void TDisplayLayout::WriteChord(const TChord& Chord, const TProgressionEntry& At) {
    if (Display.Width(CurrentLabelLine) > kShortLabelLine) {
        Display.Append(CurrentLabelLine, kSlotFiller);
    }
    // The chord name starts where the degree label's numeral will, after its prefix.
    const std::size_t Column = Display.Width(CurrentLabelLine) + 1;
    Display.CutTo(kChordLine, Column);
    Display.Append(kChordLine, Spaces(static_cast<std::int64_t>(Column) -
                                      static_cast<std::int64_t>(Display.Width(kChordLine))) +
                                   TCalculatorEx::ChordName(Chord));
    Display.Append(CurrentLabelLine, DegreeLabelOf(At));
}

void TDisplayLayout::EraseLastChordName(const TChord& Chord) {
    const std::string Name = TCalculatorEx::ChordName(Chord);
    const std::string& Line = Display.Get(kChordLine);
    if (Line.size() >= Name.size() &&
        Line.compare(Line.size() - Name.size(), Name.size(), Name) == 0) {
        Display.CutTo(kChordLine, Display.Width(kChordLine) - DisplayWidth(Name));
    }
}

void TDisplayLayout::AppendSeparator() {
    Display.Append(CurrentLabelLine, kSeparator);
}

namespace {

// Adds the characters of Text not yet in All.
void AddNew(std::string& All, const std::string& Text) {
    for (std::size_t At = 0; At < Text.size(); At += CharacterLength(Text, At)) {
        const std::string Character = Text.substr(At, CharacterLength(Text, At));
        if (All.find(Character) == std::string::npos) {
            All += Character;
        }
    }
}

} // namespace

std::string DisplayedCharacters() {
    std::string All;
    AddNew(All, std::string(kKeyLabelSuffix) + kSeparator + kSlotFiller);
    const TChordVariant Variants[] = {cvNormal, cvBorrowed, cvDorian, cvNeapolitan};
    for (const TMode Mode : {mdMajor, mdMinor}) {
        for (const char Letter : {'C', 'D', 'E', 'F', 'G', 'A', 'B'}) {
            for (std::int32_t Accidental = -3; Accidental <= 3; ++Accidental) {
                AddNew(All, TCalculatorEx::TonalityLabel({{Letter, Accidental}, Mode}));
            }
        }
        for (std::int32_t Degree = 0; Degree <= 8; ++Degree) {
            for (const TChordVariant Variant : Variants) {
                AddNew(All, TCalculatorEx::DegreeLabel(Mode, Degree, Variant));
                if (Degree >= 1 && Degree <= 7) {
                    TChordVariant Applied = Variant;
                    AddNew(All, TCalculatorEx::ChordName(
                                    TCalculatorEx::ChordOf(Applied, {{'C', 0}, Mode}, Degree)));
                }
            }
        }
    }
    return All;
}
