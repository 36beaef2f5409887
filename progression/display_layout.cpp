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

void TDisplayLayout::AppendSeparator() {
    Display.Append(CurrentLabelLine, kSeparator);
}
