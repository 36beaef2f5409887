// The peer of the cold-start figure: an empty Qt window of the main window's size, built
// by the same build, shown and left to the event loop.
#include <QApplication>
#include <QWidget>

int main(int Count, char** Arguments) {
    QApplication Application(Count, Arguments);
    QWidget Window;
    Window.setWindowTitle(QStringLiteral("empty"));
    Window.setFixedSize(513, 255);
    Window.show();
    return QApplication::exec();
}
