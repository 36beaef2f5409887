#include "harmony/calculator.h"
#include "harmony/display_width.h"
#include "progression/form_main_model.h"

namespace {

constexpr const char* kKeyLabelSuffix = ": ";
constexpr const char* kSeparator = "   ";
constexpr const char* kSlotFiller = "    ";
// A label line wider than this gets the slot filler before its next degree label.
constexpr std::size_t kShortLabelLine = 6;

std::string Spaces(std::int64_t Count) {
    return Count > 0 ? std::string(static_cast<std::size_t>(Count), ' ') : std::string();
}

} // namespace

void TFormMainModel::WriteTonalityLabel() {
    const std::string Label = TCalculatorEx::TonalityLabel(Tonality);
    if (LastAction == laNone || LastAction == laKeyChange) {
        // Nothing was placed since this line's key label: it is replaced in place.
        Display.CutTo(LabelLine, static_cast<std::size_t>(KeyLabelColumn));
    } else {
        LabelLine = 7 - LabelLine;
    }
    KeyLabelColumn = static_cast<std::int32_t>(Display.Width(LabelLine));
    // Label, ": " and a three-column degree label end where the other label line ends.
    const std::int64_t Target = static_cast<std::int64_t>(Display.Width(7 - LabelLine)) - 5 -
                                static_cast<std::int64_t>(DisplayWidth(Label));
    Display.Append(LabelLine, Spaces(Target - KeyLabelColumn) + Label + kKeyLabelSuffix);
}

void TFormMainModel::WriteDegreeLabel() {
    WriteTonalityLabel();
    Display.Append(LabelLine, TCalculatorEx::DegreeLabel(Tonality.Mode, Degree, Variant));
}

void TFormMainModel::WriteChord(const TChord& Chord) {
    if (Display.Width(LabelLine) > kShortLabelLine) {
        Display.Append(LabelLine, kSlotFiller);
    }
    // The chord name starts where the degree label's numeral will, after its prefix.
    const std::size_t Column = Display.Width(LabelLine) + 1;
    Display.CutTo(1, Column);
    Display.Append(
        1, Spaces(static_cast<std::int64_t>(Column) - static_cast<std::int64_t>(Display.Width(1))) +
               TCalculatorEx::ChordName(Chord));
    Display.Append(LabelLine, TCalculatorEx::DegreeLabel(Tonality.Mode, Degree, Variant));
}

void TFormMainModel::AppendSeparator() {
    Display.Append(LabelLine, kSeparator);
}
