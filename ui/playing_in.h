#pragma once

#include "midi/midi_input.h"
#include "progression/form_main_model.h"
#include "ui/settings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <string>

class QMenu;

// Playing in from a MIDI keyboard: the submenu 「MIDI 入力」 (なし, then the input ports as
// listed when it opens), the port kept in the settings and opened at start, and each message
// handed to the model on the window's thread with the clock the chord taker needs.
class TPlayingIn : public QObject {
public:
    // Tell shows a line for the student (a port lost, a port that cannot be opened).
    // The menu belongs to Window.
    TPlayingIn(TMidiInput& Input, TFormMainModel& Model, TSettingsStore& Settings,
               std::function<void(const QString&)> Tell, QWidget& Window);
    ~TPlayingIn() override;

    QMenu& Menu() { return *PortMenu; }
    // Opens the port kept in the settings; one that is gone is named on the terminal.
    void OpenKept();

private:
    void ListPorts();
    // Port -1: none.
    void Choose(int Port);
    void Receive(std::uint32_t Message);
    void Settle();

    TMidiInput& Input;
    TFormMainModel& Model;
    TSettingsStore& Settings;
    std::function<void(const QString&)> Tell;
    QMenu* PortMenu;
    std::string OpenName;
    QElapsedTimer Clock;
    QTimer SettleTimer;
};
