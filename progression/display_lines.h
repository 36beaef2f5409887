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

// Whole characters of a line that cover a range of columns.
struct TLineSlice {
    std::string_view Text; // UTF-8, whole characters only
    std::size_t Start;     // the column where the first of them begins
};

// The lines of the progression display, each with its width in columns kept up to date, so
// that lines tens of thousands of columns long are never measured again from the start: an
// edit costs what it adds or cuts, and finding a column costs what one mark spans.
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

    // The characters of line Index that cover the columns From..To-1: from the one under
    // column From (which may begin a column earlier) to the last that begins before To.
    TLineSlice Slice(int Index, std::size_t From, std::size_t To) const;
    // The widest line's width.
    std::size_t MaxWidth() const;

    void SetListener(TLinesListener* Listener) { this->Listener = Listener; }
    TLinesListener* GetListener() const { return Listener; }
    // Tells the listener that every line may have changed.
    void TellReset() {
        if (Listener != nullptr) {
            Listener->LinesReset();
        }
    }

private:
    // Where the character under a column begins, every kMarkColumns columns.
    struct TMark {
        std::size_t Byte;
        std::size_t Column;
    };
    static constexpr std::size_t kMarkColumns = 64;

    struct TLine {
        std::string Text;
        std::size_t Width = 0;
        std::vector<TMark> Marks; // Marks[k] is under column k * kMarkColumns
    };

    static TLine MakeLine(std::string Text);
    // Measures the characters from byte From on, which begin at column Column, and marks them.
    static void Extend(TLine& Line, std::size_t From, std::size_t Column);
    TLine* Find(int Index);
    void Changed(int Index);

    std::vector<TLine> Lines;
    TLinesListener* Listener = nullptr;
};
