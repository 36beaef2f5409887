#include "progression/display_lines.h"

#include "harmony/display_width.h"

namespace {

const std::string kEmpty;

} // namespace

const std::string& TDisplayLines::Get(int Index) const {
    if (Index < 0 || Index >= Count()) {
        return kEmpty;
    }
    return Lines[static_cast<std::size_t>(Index)].Text;
}

std::size_t TDisplayLines::Width(int Index) const {
    if (Index < 0 || Index >= Count()) {
        return 0;
    }
    return Lines[static_cast<std::size_t>(Index)].Width;
}

void TDisplayLines::Put(int Index, std::string Text) {
    if (TLine* Line = Find(Index)) {
        Line->Width = DisplayWidth(Text);
        Line->Text = std::move(Text);
        Changed(Index);
    }
}

void TDisplayLines::Clear() {
    Lines.clear();
    if (Listener != nullptr) {
        Listener->LinesReset();
    }
}

void TDisplayLines::Add(std::string Text) {
    const std::size_t Width = DisplayWidth(Text);
    Lines.push_back({std::move(Text), Width});
    if (Listener != nullptr) {
        Listener->LinesReset();
    }
}

void TDisplayLines::Append(int Index, std::string_view Text) {
    if (TLine* Line = Find(Index); Line != nullptr && !Text.empty()) {
        Line->Text.append(Text);
        Line->Width += DisplayWidth(Text);
        Changed(Index);
    }
}

void TDisplayLines::CutTo(int Index, std::size_t Columns) {
    TLine* Line = Find(Index);
    if (Line == nullptr || Line->Width <= Columns) {
        return;
    }
    // Drop whole characters from the end: cuts land near the end of long lines.
    std::string& Text = Line->Text;
    while (Line->Width > Columns) {
        std::size_t Start = Text.size() - 1;
        while (Start > 0 && (static_cast<unsigned char>(Text[Start]) & 0xC0) == 0x80) {
            --Start;
        }
        Line->Width -= DisplayWidth(std::string_view(Text).substr(Start));
        Text.erase(Start);
    }
    if (Line->Width < Columns) {
        Text.push_back(' ');
        ++Line->Width;
    }
    Changed(Index);
}

TDisplayLines::TLine* TDisplayLines::Find(int Index) {
    if (Index < 0 || Index >= Count()) {
        return nullptr;
    }
    return &Lines[static_cast<std::size_t>(Index)];
}

void TDisplayLines::Changed(int Index) {
    if (Listener != nullptr) {
        Listener->LineChanged(Index);
    }
}
