#pragma once

#include "progression/form_main_model.h"

#include <QKeyEvent>

#include <cstdint>

// The Windows virtual-key code that the keyboard commands expect for a Qt key event, or 0
// for a key that has none of interest. On X11 the hardware keycode decides, since it does not
// change with Shift, NumLock or the layout; elsewhere (offscreen, tests) the reported key does,
// with Shift's symbols on the digit row read as their digits.
std::uint16_t VirtualKeyOf(const QKeyEvent& Event, bool UseScanCode);

TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers);
