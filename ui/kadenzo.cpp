// Kadenzo: the program entry. The main window, which makes the two reference windows when
// they are first asked for; the event loop ends when the main window closes.
#include "midi/device_module.h"
#include "ui/kadenzo00.h"
#include "ui/ui_style.h"

#include <QApplication>

#include <filesystem>
#include <string>

namespace {

// The device module where the package puts it, else where the build leaves it, both found from
// the program's own place. An absolute name: a bare one would be looked up on the run path of
// whatever calls dlopen, which under the sanitizers is their runtime, not the program.
std::string DeviceModuleFile() {
    std::error_code Error;
    const std::filesystem::path Folder =
        std::filesystem::read_symlink("/proc/self/exe", Error).parent_path();
    for (const std::filesystem::path& Beside : {Folder / ".." / KADENZO_MODULE_DIR / kDeviceModule,
                                                Folder / ".." / "midi" / kDeviceModule}) {
        if (std::filesystem::exists(Beside, Error)) {
            return Beside.lexically_normal().string();
        }
    }
    return kDeviceModule; // the run path's, as a last try
}

} // namespace

int main(int Count, char** Arguments) {
    QApplication Application(Count, Arguments);
    Application.setQuitOnLastWindowClosed(false);
    InstallQtJapanese(Application);
    // Desktops match the windows (Wayland's app id, X11's WM_CLASS) to the desktop entry
    // kadenzo.desktop by this name; the main window gives them all the icon once it is ready.
    QGuiApplication::setDesktopFileName(QStringLiteral("kadenzo"));
    InstallWindowFatalExit();
    TDeviceModule Devices(DeviceModuleFile());
    TFormMain FormMain(Devices, &Devices.Input());
    FormMain.show();
    // The window first asks for the devices and input ports after its first paint (and keys
    // pressed until then wait for them): their libraries are mapped meanwhile, not before it
    // is shown.
    Devices.LoadInBackground();
    return QApplication::exec();
}
