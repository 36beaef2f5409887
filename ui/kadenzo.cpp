// Kadenzo: the program entry. The main window, which makes the two reference windows when
// they are first asked for; the event loop ends when the main window closes.
#include "midi/combined_backend.h"
#include "ui/kadenzo00.h"

#include <QApplication>

int main(int Count, char** Arguments) {
    QApplication Application(Count, Arguments);
    Application.setQuitOnLastWindowClosed(false);
    InstallWindowFatalExit();
    const std::unique_ptr<TMidiBackend> Backend = MakeSystemMidiBackend();
    TFormMain FormMain(*Backend);
    FormMain.show();
    return QApplication::exec();
}
