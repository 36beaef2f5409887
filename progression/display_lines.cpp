#include "progression/display_lines.h"

#include "harmony/display_width.h"

#include <algorithm>

namespace {

const std::string kEmpty;

} // namespace

TDisplayLines::TLine TDisplayLines::MakeLine(std::string Text) {
    TLine Line;
    Line.Text = std::move(Text);
    Extend(Line, 0, 0);
    return Line;
}

void TDisplayLines::Extend(TLine& Line, std::size_t From, std::size_t Column) {
    const std::string& Text = Line.Text;
    for (std::size_t At = From; At < Text.size(); At += CharacterLength(Text, At)) {
        const std::size_t Next = Column + CharacterWidth(Text[At]);
        while (Line.Marks.size() * kMarkColumns < Next) {
            Line.Marks.push_back({At, Column});
        }
        Column = Next;
    }
    Line.Width = Column;
}

TLineSlice TDisplayLines::Slice(int Index, std::size_t From, std::size_t To) const {
    if (Index < 0 || Index >= Count()) {
        return {{}, From};
    }
    const TLine& Line = Lines[static_cast<std::size_t>(Index)];
    const std::size_t Mark = From / kMarkColumns;
    if (From >= Line.Width || Mark >= Line.Marks.size()) {
        return {{}, Line.Width};
    }
    const std::string_view Text = Line.Text;
    std::size_t Begin = Line.Marks[Mark].Byte;
    std::size_t Column = Line.Marks[Mark].Column;
    while (Column + CharacterWidth(Text[Begin]) <= From) {
        Column += CharacterWidth(Text[Begin]);
        Begin += CharacterLength(Text, Begin);
    }
    const std::size_t Start = Column;
    std::size_t End = Begin;
    while (End < Text.size() && Column < To) {
        Column += CharacterWidth(Text[End]);
        End += CharacterLength(Text, End);
    }
    return {Text.substr(Begin, End - Begin), Start};
}

std::size_t TDisplayLines::MaxWidth() const {
    std::size_t Widest = 0;
    for (const TLine& Line : Lines) {
        Widest = std::max(Widest, Line.Width);
    }
    return Widest;
}

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
        *Line = MakeLine(std::move(Text));
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
    Lines.push_back(MakeLine(std::move(Text)));
    if (Listener != nullptr) {
        Listener->LinesReset();
    }
}

void TDisplayLines::Append(int Index, std::string_view Text) {
    if (TLine* Line = Find(Index); Line != nullptr && !Text.empty()) {
        const std::size_t From = Line->Text.size();
        Line->Text.append(Text);
        Extend(*Line, From, Line->Width);
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
    while (!Line->Marks.empty() && (Line->Marks.size() - 1) * kMarkColumns >= Line->Width) {
        Line->Marks.pop_back();
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
