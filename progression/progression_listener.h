#pragma once

#include <cstddef>
#include <optional>

// What a view of the progression is told after each command that changed it or moved the
// cursor: nothing runs while nothing changes.
struct TProgressionChange {
    // The first entry that is new or different; the entries before it are as they were.
    // Nothing when only the cursor moved.
    std::optional<std::size_t> FirstChanged;
    // The entry the cursor stands after (the chord last placed or replayed), or nothing
    // after Home, initialisation and reading a file.
    std::optional<std::size_t> Current;
};

class TProgressionListener {
public:
    virtual ~TProgressionListener() = default;
    virtual void ProgressionChanged(const TProgressionChange& Change) = 0;
};
