#include "tests/ui/x_keycodes.h"

#include <X11/Xlib.h>

#include <memory>

unsigned KeycodeOf(unsigned long KeySym) {
    // One connection for the whole test program.
    static const std::unique_ptr<Display, int (*)(Display*)> X(XOpenDisplay(nullptr),
                                                               XCloseDisplay);
    return X ? XKeysymToKeycode(X.get(), KeySym) : 0;
}
