// The key table of the X11 keycodes against a real X server's keymap (run under xvfb-run):
// every key the commands know, by the keycode the server gives its symbol.
#include "tests/ui/x_keycodes.h"
#include "ui/key_mapping.h"

#include <QGuiApplication>

#include <X11/keysym.h> // key symbols only

#include <gtest/gtest.h>

namespace {

struct KeyCase {
    unsigned long KeySym;
    std::uint16_t VirtualKey;
};

const KeyCase kKeys[] = {
    {XK_1, '1'},     {XK_2, '2'},       {XK_3, '3'},    {XK_4, '4'},     {XK_5, '5'},
    {XK_6, '6'},     {XK_7, '7'},       {XK_8, '8'},    {XK_9, '9'},     {XK_0, '0'},
    {XK_KP_1, 97},   {XK_KP_2, 98},     {XK_KP_3, 99},  {XK_KP_4, 100},  {XK_KP_5, 101},
    {XK_KP_6, 102},  {XK_KP_7, 103},    {XK_KP_8, 104}, {XK_KP_9, 105},  {XK_KP_0, 96},
    {XK_Up, 38},     {XK_Down, 40},     {XK_Left, 37},  {XK_Right, 39},  {XK_Home, 36},
    {XK_Return, 13}, {XK_KP_Enter, 13}, {XK_space, 32}, {XK_Escape, 27},
};

TEST(ScanCodes, EveryKnownKeyMapsToItsVirtualKey) {
    if (KeycodeOf(XK_1) == 0) {
        GTEST_SKIP() << "no X display";
    }
    for (const KeyCase& c : kKeys) {
        const unsigned Code = KeycodeOf(c.KeySym);
        SCOPED_TRACE("keysym " + std::to_string(c.KeySym) + ", keycode " + std::to_string(Code));
        // The reported key is none of the commands': only the keycode can decide.
        const QKeyEvent Event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, Code, 0, 0);
        EXPECT_EQ(VirtualKeyOf(Event, true), c.VirtualKey);
    }
}

TEST(ScanCodes, X11AndWaylandReportXKeycodes) {
    const std::pair<const char*, bool> Platforms[] = {
        {"xcb", true},        {"wayland", true},  {"wayland-egl", true},
        {"offscreen", false}, {"minimal", false}, {"eglfs", false},
    };
    for (const auto& [Name, Reports] : Platforms) {
        EXPECT_EQ(ReportsXKeycodes(QString::fromLatin1(Name)), Reports) << Name;
    }
}

// Wayland's key events carry the evdev code plus 8: on a Japanese (JIS) keyboard the digit row
// with Shift gives its own symbols, and the keycode still gives the digit.
TEST(ScanCodes, TheJapaneseDigitRowWithShiftThroughWayland) {
    constexpr quint32 kEvdevKey1 = 2; // KEY_1 in linux/input-event-codes.h
    const Qt::Key JisShifted[] = {Qt::Key_Exclam,     Qt::Key_QuoteDbl,  Qt::Key_NumberSign,
                                  Qt::Key_Dollar,     Qt::Key_Percent,   Qt::Key_Ampersand,
                                  Qt::Key_Apostrophe, Qt::Key_ParenLeft, Qt::Key_ParenRight,
                                  Qt::Key_unknown};
    const bool UseScanCodes = ReportsXKeycodes(QStringLiteral("wayland"));
    for (int i = 0; i < 10; ++i) {
        const quint32 Code = kEvdevKey1 + static_cast<quint32>(i) + 8;
        const QKeyEvent Event(QEvent::KeyPress, JisShifted[i], Qt::ShiftModifier, Code, 0, 0);
        EXPECT_EQ(VirtualKeyOf(Event, UseScanCodes), "1234567890"[i]) << "key " << i + 1;
    }
}

} // namespace

int main(int Count, char** Arguments) {
    testing::InitGoogleTest(&Count, Arguments);
    qputenv("QT_QPA_PLATFORM", "offscreen"); // Qt needs no display of its own here
    QGuiApplication Application(Count, Arguments);
    return RUN_ALL_TESTS();
}
