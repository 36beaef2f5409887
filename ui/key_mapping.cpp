#include "ui/key_mapping.h"

#include "progression/key_codes.h"

namespace {

struct TScanCode {
    quint32 Code;
    std::uint16_t Key;
};

// X11 keycodes of a PC keyboard. Letters are not among them: which letter a key carries
// depends on the layout, and Qt reports it alike with and without Shift.
const TScanCode kScanCodes[] = {
    {10, '1'},     {11, '2'},       {12, '3'},      {13, '4'},     {14, '5'},     {15, '6'},
    {16, '7'},     {17, '8'},       {18, '9'},      {19, '0'},     {87, 97},      {88, 98},
    {89, 99},      {83, 100},       {84, 101},      {85, 102},     {79, 103},     {80, 104},
    {81, 105},     {90, vkKeypad0}, {111, vkUp},    {116, vkDown}, {113, vkLeft}, {114, vkRight},
    {110, vkHome}, {36, vkEnter},   {104, vkEnter}, {65, vkSpace}, {9, vkEscape},
};

struct TQtKey {
    int Key;
    std::uint16_t VirtualKey;
};

// Shift's symbols on the digit row of a US keyboard.
const TQtKey kShiftedDigits[] = {
    {Qt::Key_Exclam, '1'},     {Qt::Key_At, '2'},       {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},     {Qt::Key_Percent, '5'},  {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},  {Qt::Key_Asterisk, '8'}, {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
};

// The keypad with NumLock off reports navigation keys; they stand for its digits.
const TQtKey kKeypadNavigation[] = {
    {Qt::Key_Insert, 96}, {Qt::Key_End, 97},     {Qt::Key_Down, 98},   {Qt::Key_PageDown, 99},
    {Qt::Key_Left, 100},  {Qt::Key_Clear, 101},  {Qt::Key_Right, 102}, {Qt::Key_Home, 103},
    {Qt::Key_Up, 104},    {Qt::Key_PageUp, 105},
};

const TQtKey kOtherKeys[] = {
    {Qt::Key_Return, vkEnter}, {Qt::Key_Enter, vkEnter}, {Qt::Key_Space, vkSpace},
    {Qt::Key_Home, vkHome},    {Qt::Key_Left, vkLeft},   {Qt::Key_Up, vkUp},
    {Qt::Key_Right, vkRight},  {Qt::Key_Down, vkDown},   {Qt::Key_Escape, vkEscape},
};

template <std::size_t N> std::uint16_t Find(const TQtKey (&Table)[N], int Key) {
    for (const TQtKey& Entry : Table) {
        if (Entry.Key == Key) {
            return Entry.VirtualKey;
        }
    }
    return 0;
}

std::uint16_t FromQtKey(const QKeyEvent& Event) {
    const int Key = Event.key();
    const bool Keypad = Event.modifiers().testFlag(Qt::KeypadModifier);
    if (Key >= Qt::Key_0 && Key <= Qt::Key_9) {
        return static_cast<std::uint16_t>((Keypad ? vkKeypad0 : '0') + (Key - Qt::Key_0));
    }
    if (Key >= Qt::Key_A && Key <= Qt::Key_Z) {
        return static_cast<std::uint16_t>('A' + (Key - Qt::Key_A));
    }
    if (Keypad) {
        if (const std::uint16_t Digit = Find(kKeypadNavigation, Key)) {
            return Digit;
        }
    }
    if (const std::uint16_t Digit = Find(kShiftedDigits, Key)) {
        return Digit;
    }
    return Find(kOtherKeys, Key);
}

} // namespace

std::uint16_t VirtualKeyOf(const QKeyEvent& Event, bool UseScanCode) {
    if (UseScanCode) {
        for (const TScanCode& Entry : kScanCodes) {
            if (Entry.Code == Event.nativeScanCode()) {
                return Entry.Key;
            }
        }
    }
    return FromQtKey(Event);
}

bool ReportsXKeycodes(const QString& PlatformName) {
    return PlatformName == QLatin1String("xcb") ||
           PlatformName.startsWith(QLatin1String("wayland"));
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers) {
    TShiftState Shift = 0;
    if (Modifiers.testFlag(Qt::ShiftModifier)) {
        Shift |= ssShift;
    }
    if (Modifiers.testFlag(Qt::AltModifier)) {
        Shift |= ssAlt;
    }
    if (Modifiers.testFlag(Qt::ControlModifier)) {
        Shift |= ssCtrl;
    }
    return Shift;
}
