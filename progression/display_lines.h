#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Told of every change of the display lines, so that a window can show them.
class TLinesListener {
public:
    virtual ~TLinesListener() = default;
    virtual void LineChanged(int Index) = 0;
    virtual void LinesReset() = 0; // cleared, or lines added
};

// The lines of the progression display, each with its width in columns kept up to date, so
// that lines tens of thousands of columns long are never measured again from the start: an
// edit costs what it adds or cuts.
class TDisplayLines {
public:
    // The text of line Index; empty for a line that holds nothing.
    const std::string& Get(int Index) const;
    std::size_t Width(int Index) const;
    void Put(int Index, std::string Text);
    void Clear();
    void Add(std::string Text);
    int Count() const { return static_cast<int>(Lines.size()); }

    void Append(int Index, std::string_view Text);
    // Cuts line Index to its first Columns columns. A full-width character that would be cut
    // in half is replaced by one space, so the line is then exactly Columns wide.
    void CutTo(int Index, std::size_t Columns);

    void SetListener(TLinesListener* Listener) { this->Listener = Listener; }

private:
    struct TLine {
        std::string Text;
        std::size_t Width = 0;
    };

    TLine* Find(int Index);
    void Changed(int Index);

    std::vector<TLine> Lines;
    TLinesListener* Listener = nullptr;
};
