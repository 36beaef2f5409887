// Kadenzo: the program entry. The main window, which makes the two reference windows when
// they are first asked for; the event loop ends when the main window closes.
#include "midi/device_module.h"
#include "ui/kadenzo00.h"
#include "ui/ui_style.h"

#include <QApplication>

int main(int Count, char** Arguments) {
    QApplication Application(Count, Arguments);
    Application.setQuitOnLastWindowClosed(false);
    InstallQtJapanese(Application);
    // Desktops match the windows (Wayland's app id, X11's WM_CLASS) to the desktop entry
    // kadenzo.desktop by this name; the main window gives them all the icon once it is ready.
    QGuiApplication::setDesktopFileName(QStringLiteral("kadenzo"));
    InstallWindowFatalExit();
    TDeviceModule Devices;
    TFormMain FormMain(Devices, &Devices.Input());
    FormMain.show();
    // The window first asks for the devices and input ports after its first paint (and keys
    // pressed until then wait for them): their libraries are mapped meanwhile, not before it
    // is shown.
    Devices.LoadInBackground();
    return QApplication::exec();
}
