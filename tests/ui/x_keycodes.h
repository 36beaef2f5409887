#pragma once

// The X server's keycode for a key symbol (XK_...), on the display in DISPLAY; 0 when there
// is no display or no such key. Apart from Qt's headers, with which X11's macros clash.
unsigned KeycodeOf(unsigned long KeySym);
