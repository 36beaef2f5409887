// Kadenzo: the program entry. The main window first, then the two reference windows, hidden
// until asked for; the event loop ends when the main window closes.
#include "midi/combined_backend.h"
#include "ui/kadenzo00.h"
#include "ui/kadenzo50.h"
#include "ui/kadenzo60.h"

#include <QApplication>

int main(int Count, char** Arguments) {
    QApplication Application(Count, Arguments);
    Application.setQuitOnLastWindowClosed(false);
    InstallWindowFatalExit();
    const std::unique_ptr<TMidiBackend> Backend = MakeSystemMidiBackend();
    TFormHelp FormHelp;
    TFormExample FormExample;
    TFormMain FormMain(*Backend, FormHelp, FormExample);
    FormMain.show();
    return QApplication::exec();
}
