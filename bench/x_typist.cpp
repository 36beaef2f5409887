#include "bench/x_typist.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

TTypist::TTypist() : Display(XOpenDisplay(nullptr)) {
    for (KeySym Digit = XK_1; Digit <= XK_7; ++Digit) {
        Codes.push_back(XKeysymToKeycode(Display, Digit));
    }
}

TTypist::~TTypist() {
    XCloseDisplay(Display);
}

void TTypist::Type(int Index) {
    const unsigned Code = Codes[static_cast<std::size_t>(Index) % Codes.size()];
    XTestFakeKeyEvent(Display, Code, True, CurrentTime);
    XTestFakeKeyEvent(Display, Code, False, CurrentTime);
    XFlush(Display);
}
