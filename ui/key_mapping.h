#pragma once

#include "progression/form_main_model.h"

#include <QKeyEvent>

#include <cstdint>

// The Windows virtual-key code that the keyboard commands expect for a Qt key event, or 0
// for a key that has none of interest. On X11 and Wayland the hardware keycode decides, since
// it does not change with Shift, NumLock or the layout (Shift+2 is '@' on a US keyboard, '"'
// on a Japanese one); elsewhere (offscreen, tests) the reported key does, with Shift's symbols
// on a US digit row read as their digits.
std::uint16_t VirtualKeyOf(const QKeyEvent& Event, bool UseScanCode);

// Whether the Qt platform reports X11 keycodes as native scan codes: X11 itself, and Wayland,
// whose evdev codes Qt reports plus 8, the same numbering.
bool ReportsXKeycodes(const QString& PlatformName);

TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers);
