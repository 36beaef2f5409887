#pragma once

#include <vector>

struct _XDisplay;

// Types digits through the X server on a connection of its own (XTest), as a second program
// would. Kept apart from Qt's headers, with which X11's macros clash.
class TTypist {
public:
    TTypist();
    ~TTypist();
    TTypist(const TTypist&) = delete;
    TTypist& operator=(const TTypist&) = delete;

    // Presses and releases the digit 1 + Index % 7.
    void Type(int Index);
    // Presses and releases the key of an X key symbol (XK_...), with Ctrl and Alt held as
    // asked.
    void Stroke(unsigned long KeySym, bool Ctrl, bool Alt);

private:
    _XDisplay* Display;
    std::vector<unsigned> Codes;
};
