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

void TTypist::Stroke(unsigned long KeySym, bool Ctrl, bool Alt) {
    const unsigned Code = XKeysymToKeycode(Display, KeySym);
    const unsigned Control = XKeysymToKeycode(Display, XK_Control_L);
    const unsigned Meta = XKeysymToKeycode(Display, XK_Alt_L);
    if (Ctrl) {
        XTestFakeKeyEvent(Display, Control, True, CurrentTime);
    }
    if (Alt) {
        XTestFakeKeyEvent(Display, Meta, True, CurrentTime);
    }
    XTestFakeKeyEvent(Display, Code, True, CurrentTime);
    XTestFakeKeyEvent(Display, Code, False, CurrentTime);
    if (Alt) {
        XTestFakeKeyEvent(Display, Meta, False, CurrentTime);
    }
    if (Ctrl) {
        XTestFakeKeyEvent(Display, Control, False, CurrentTime);
    }
    XFlush(Display);
}
