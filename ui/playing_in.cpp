#include "ui/playing_in.h"

#include <QActionGroup>
#include <QMenu>

#include <cstdio>
#include <memory>

namespace {

constexpr std::int64_t kMicrosecondsPerMillisecond = 1000;

} // namespace

TPlayingIn::TPlayingIn(TMidiInput& Input, TFormMainModel& Model, TSettingsStore& Settings,
                       std::function<void(const QString&)> Tell, QWidget& Window)
    : Input(Input), Model(Model), Settings(Settings), Tell(std::move(Tell)),
      PortMenu(new QMenu(QStringLiteral("MIDI 入力"), &Window)) {
    PortMenu->setObjectName(QStringLiteral("MenuMidiInput"));
    Clock.start();
    SettleTimer.setSingleShot(true);
    SettleTimer.setTimerType(Qt::PreciseTimer);
    connect(&SettleTimer, &QTimer::timeout, this, [this] { Settle(); });
    // Listed when the menu opens, never at start: a MIDI system is asked only when wanted.
    connect(PortMenu, &QMenu::aboutToShow, this, [this] { ListPorts(); });
}

TPlayingIn::~TPlayingIn() {
    Input.Close();
    delete PortMenu;
}

// The ports as they are now: a keyboard plugged in since the last look is there.
void TPlayingIn::ListPorts() {
    PortMenu->clear();
    auto* Group = new QActionGroup(PortMenu);
    const auto Add = [&](const QString& Name, int Port, bool Open) {
        QAction* Action = PortMenu->addAction(Name);
        Action->setCheckable(true);
        Action->setChecked(Open);
        Group->addAction(Action);
        connect(Action, &QAction::triggered, this, [this, Port] { Choose(Port); });
    };
    Add(QStringLiteral("なし"), -1, OpenName.empty());
    Input.Refresh();
    for (int Port = 0; Port < Input.PortCount(); ++Port) {
        if (const std::optional<std::string> Name = Input.PortName(Port)) {
            Add(QString::fromStdString(*Name), Port, *Name == OpenName);
        }
    }
}

void TPlayingIn::OpenKept() {
    const std::string Kept = Settings.Get().MidiInput;
    if (Kept.empty()) {
        return;
    }
    Input.Refresh();
    for (int Port = 0; Port < Input.PortCount(); ++Port) {
        if (Input.PortName(Port) == Kept) {
            Choose(Port);
            return;
        }
    }
    std::fprintf(stderr, "kadenzo: MIDI 入力「%s」が見つかりません。\n", Kept.c_str());
}

void TPlayingIn::Choose(int Port) {
    Input.Close();
    OpenName.clear();
    std::string Name;
    if (Port >= 0) {
        Name = Input.PortName(Port).value_or(std::string());
        // The input's thread hands each message over to this one, where the model lives.
        const bool Opened = Input.Open(
            Port,
            [this](std::uint32_t Message) {
                QMetaObject::invokeMethod(
                    this, [this, Message] { Receive(Message); }, Qt::QueuedConnection);
            },
            [this](std::string Why) {
                QMetaObject::invokeMethod(
                    this,
                    [this, Why] {
                        OpenName.clear();
                        this->Tell(QString::fromStdString(Why));
                    },
                    Qt::QueuedConnection);
            });
        if (!Opened) {
            Tell(QStringLiteral("MIDI 入力「%1」を開けませんでした。")
                     .arg(QString::fromStdString(Name)));
            Name.clear();
        }
        OpenName = Name;
    }
    TSettings Changed = Settings.Get();
    Changed.MidiInput = Name;
    Settings.Set(Changed);
}

void TPlayingIn::Receive(std::uint32_t Message) {
    Model.OnMidiIn(Message, Clock.nsecsElapsed() / 1000);
    Settle();
}

// Notes held wait for their chord to settle; the timer wakes the model when they have.
void TPlayingIn::Settle() {
    const std::int64_t Now = Clock.nsecsElapsed() / 1000;
    if (const std::optional<std::int64_t> Due = Model.AdvanceMidiIn(Now)) {
        SettleTimer.start(static_cast<int>((*Due - Now + kMicrosecondsPerMillisecond - 1) /
                                           kMicrosecondsPerMillisecond));
    } else {
        SettleTimer.stop();
    }
}
