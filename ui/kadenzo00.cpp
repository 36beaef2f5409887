#include "ui/kadenzo00.h"

#include "harmony/fatal_exit.h"
#include "progression/key_codes.h"
#include "ui/kadenzo50.h"
#include "ui/kadenzo60.h"
#include "ui/key_mapping.h"
#include "ui/playing_in.h"
#include "ui/practice_window.h"
#include "ui/progression_display.h"
#include "ui/score_window.h"
#include "ui/ui_style.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include <cstdlib>

namespace {

const QString kProgramTitle = QStringLiteral("カデンツォ");
constexpr int kMaxFileNameLength = 255;

void ShowCritical(QWidget* Parent, const QString& Title, const std::string& Message) {
    QMessageBox Box(QMessageBox::Critical, Title, QString::fromStdString(Message), QMessageBox::Ok,
                    Parent);
    Box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    MakePlainDialog(Box);
    Box.exec();
}

} // namespace

TFormMain::TFormMain(TMidiBackend& Backend, TMidiInput* Input)
    : TFormMain(Backend, TReferenceWindowSlot([] { return std::make_unique<TFormHelp>(); }),
                TReferenceWindowSlot([] { return std::make_unique<TFormExample>(); }), Input) {}

TFormMain::TFormMain(TMidiBackend& Backend, TReferenceWindow& FormHelp,
                     TReferenceWindow& FormExample, TMidiInput* Input)
    : TFormMain(Backend, TReferenceWindowSlot(FormHelp), TReferenceWindowSlot(FormExample), Input) {
}

TFormMain::TFormMain(TMidiBackend& Backend, TReferenceWindowSlot FormHelp,
                     TReferenceWindowSlot FormExample, TMidiInput* Input)
    : QWidget(nullptr), FormHelp(std::move(FormHelp)), FormExample(std::move(FormExample)),
      Form(Backend, *this), UseScanCodes(ReportsXKeycodes(QGuiApplication::platformName())) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("カデンツォ Ver 1.00"));
    MakeFixedDialogFrame(*this, {513, 255}, PaperColour(), TWindowRole::Main);
    move(285, 126);

    ButtonHelp = AddButton("ButtonHelp", "操作方法", {440, 8, 65, 25});
    ListBoxDevs = new QListWidget(this);
    ListBoxDevs->setObjectName(QStringLiteral("ListBoxDevs"));
    ListBoxDevs->setGeometry(8, 40, 497, 49);
    ListBoxDevs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    EditVoiceNo = new QLineEdit(QStringLiteral("49"), this);
    EditVoiceNo->setObjectName(QStringLiteral("EditVoiceNo"));
    EditVoiceNo->setGeometry(8, 96, 57, 20);
    ButtonVoiceNo = AddButton("ButtonVoiceNo", "楽器選択", {72, 96, 65, 25});
    ButtonExample = AddButton("ButtonExample", "使用例", {352, 8, 65, 25});
    ButtonSoundOff = AddButton("ButtonSoundOff", "発音停止", {352, 94, 65, 25});
    MemoChord = new TProgressionDisplay(Form.Lines(), this);
    MemoChord->setObjectName(QStringLiteral("MemoChord"));
    MemoChord->setGeometry(8, 128, 497, 89);
    ButtonInit = AddButton("ButtonInit", "初期化", {440, 94, 65, 25});
    ButtonRead = AddButton("ButtonRead", "読込み", {272, 224, 65, 25});
    ButtonWrite = AddButton("ButtonWrite", "書出し", {352, 224, 65, 25});
    ButtonClose = AddButton("ButtonClose", "閉じる", {440, 224, 65, 25});

    const QList<QWidget*> TabOrder = {ButtonHelp,    ListBoxDevs,    EditVoiceNo, ButtonVoiceNo,
                                      ButtonExample, ButtonSoundOff, MemoChord,   ButtonInit,
                                      ButtonRead,    ButtonWrite,    ButtonClose};
    for (int i = 0; i + 1 < TabOrder.size(); ++i) {
        setTabOrder(TabOrder[i], TabOrder[i + 1]);
    }
    for (QWidget* Control : TabOrder) {
        if (Control != EditVoiceNo) {
            Control->installEventFilter(this); // its keys go to the commands
        }
    }

    connect(ButtonHelp, &QPushButton::clicked, this, [this] {
        MemoChord->setFocus();
        this->FormHelp.Get().ShowInFront();
    });
    connect(ButtonExample, &QPushButton::clicked, this, [this] {
        MemoChord->setFocus();
        this->FormExample.Get().ShowInFront();
    });
    connect(ListBoxDevs, &QListWidget::itemClicked, this, [this](QListWidgetItem* Item) {
        Form.SetSelectedDevice(ListBoxDevs->row(Item));
        Form.ListBoxDevsClick();
    });
    connect(EditVoiceNo, &QLineEdit::textChanged, this,
            [this](const QString& Text) { Form.SetVoiceNoText(Text.toStdString()); });
    connect(ButtonVoiceNo, &QPushButton::clicked, this, [this] { Form.ButtonVoiceNoClick(); });
    connect(ButtonSoundOff, &QPushButton::clicked, this, [this] { Form.ButtonSoundOffClick(); });
    connect(ButtonInit, &QPushButton::clicked, this, [this] { Form.ButtonInitClick(); });
    connect(ButtonRead, &QPushButton::clicked, this, [this] { Form.ButtonReadClick(); });
    connect(ButtonWrite, &QPushButton::clicked, this, [this] { Form.ButtonWriteClick(); });
    connect(ButtonClose, &QPushButton::clicked, this, [this] {
        MemoChord->setFocus();
        close();
    });

    if (Input != nullptr) {
        PlayingIn = std::make_unique<TPlayingIn>(
            *Input, Form, Settings, [this](const QString& Text) { ShowStatus(Text); }, *this);
    }
    MakeMenuActions();
    ApplySettings();
    ReleaseTimer.setSingleShot(true);
    connect(&ReleaseTimer, &QTimer::timeout, this, [this] { FlushPendingRelease(); });
}

void TFormMain::MakeMenuActions() {
    ActionFourPart = new QAction(QStringLiteral("四声体で鳴らす"), this);
    ActionFourPart->setObjectName(QStringLiteral("ActionFourPart"));
    ActionFourPart->setCheckable(true);
    connect(ActionFourPart, &QAction::toggled, this, [this](bool Checked) {
        TSettings Changed = Settings.Get();
        Changed.Voicing = Checked ? TVoicing::FourPart : TVoicing::Block;
        Settings.Set(Changed);
        ApplySettings();
    });
    ActionShowScore = new QAction(QStringLiteral("譜表を表示"), this);
    ActionShowScore->setObjectName(QStringLiteral("ActionShowScore"));
    connect(ActionShowScore, &QAction::triggered, this, [this] {
        if (!FormScore) {
            FormScore = std::make_unique<TScoreWindow>(
                Form, [this](QEvent& Event) { return PlayKey(Event); }, Settings);
            FormScore->ShowStatus(Status);
        }
        FormScore->ShowBeside(*this);
    });
    ActionPlay = new QAction(QStringLiteral("再生"), this);
    ActionPlay->setObjectName(QStringLiteral("ActionPlay"));
    connect(ActionPlay, &QAction::triggered, this, [this] { PlayAll(); });
    ActionPractice = new QAction(QStringLiteral("聴音練習…"), this);
    ActionPractice->setObjectName(QStringLiteral("ActionPractice"));
    connect(ActionPractice, &QAction::triggered, this, [this] {
        if (!FormPractice) {
            FormPractice = std::make_unique<TPracticeWindow>(
                Form, [this](QEvent& Event) { return PlayKey(Event); }, Settings,
                (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                 QStringLiteral("/Kadenzo/") + QString::fromUtf8(kRecordsFileName))
                    .toStdString());
        }
        Playback.Stop();
        ShowInFront(*FormPractice);
        FormPractice->activateWindow();
    });
    ActionExportXml = MakeExportAction("ActionExportXml", "MusicXML に書き出す",
                                       "MusicXML (*.musicxml *.xml)", TExportFormat::MusicXml);
    ActionExportMidi = MakeExportAction("ActionExportMidi", "MIDI ファイルに書き出す",
                                        "MIDI ファイル (*.mid)", TExportFormat::MidiFile);
    MemoChord->AddMenuActions({ActionFourPart, ActionShowScore, ActionPlay, ActionPractice,
                               ActionExportXml, ActionExportMidi});
    if (PlayingIn) {
        MemoChord->AddMenuActions({PlayingIn->Menu().menuAction()});
    }
}

// The settings kept take effect: the one place that turns the record into the window's state.
void TFormMain::ApplySettings() {
    const TVoicing Voicing = Settings.Get().Voicing;
    const QSignalBlocker Quiet(ActionFourPart);
    ActionFourPart->setChecked(Voicing == TVoicing::FourPart);
    Form.SetVoicing(Voicing);
}

// Home, then one Enter a beat: the display, the cursor and the score follow as they do by hand,
// and the last chord sounds its beat before the silence.
void TFormMain::PlayAll() {
    if (!Ready) {
        return;
    }
    const auto Press = [this](std::uint16_t Key) { Form.OnKeyDown(Key, 0); };
    std::vector<TBeatPlayer::TStep> Steps;
    Steps.push_back([Press] {
        Press(vkHome);
        Press(vkEnter);
    });
    for (std::size_t i = 1; i < Form.GetProgression().size(); ++i) {
        Steps.push_back([Press] { Press(vkEnter); });
    }
    Steps.push_back([this] { Form.ButtonSoundOffClick(); });
    MemoChord->setFocus();
    Playback.Start(std::move(Steps), Settings.Get().Tempo);
}

bool TFormMain::StopPlayingFor(std::uint16_t Key) {
    // 0: a modifier held for the next key, or a key no command knows.
    if (!Playback.Playing() || Key == 0) {
        return false;
    }
    Playback.Stop();
    if (Key != vkEscape) {
        return false;
    }
    Form.ButtonSoundOffClick();
    return true;
}

// The item 「Title…」, which asks for a file name with the standard dialog and exports there.
QAction* TFormMain::MakeExportAction(const char* Name, const char* Title, const char* Filter,
                                     TExportFormat Format) {
    auto* Action = new QAction(QString::fromUtf8(Title) + QStringLiteral("…"), this);
    Action->setObjectName(QString::fromUtf8(Name));
    connect(Action, &QAction::triggered, this, [this, Title, Filter, Format] {
        const QString File = QFileDialog::getSaveFileName(this, QString::fromUtf8(Title), QString(),
                                                          QString::fromUtf8(Filter));
        if (!File.isEmpty()) {
            const std::string Path = WithExportExtension(File.toStdString(), Format);
            if (const std::optional<std::string> Error = ExportProgression(Form, Format, Path)) {
                ShowError(*Error);
            }
        }
        MemoChord->setFocus();
    });
    return Action;
}

void TFormMain::contextMenuEvent(QContextMenuEvent* Event) {
    QMenu Menu(this);
    Menu.addAction(ActionFourPart);
    Menu.addAction(ActionShowScore);
    Menu.addAction(ActionPlay);
    Menu.addAction(ActionPractice);
    if (PlayingIn) {
        Menu.addMenu(&PlayingIn->Menu());
    }
    Menu.addAction(ActionExportXml);
    Menu.addAction(ActionExportMidi);
    Menu.exec(Event->globalPos());
}

// The display goes before the model whose lines it shows.
TFormMain::~TFormMain() {
    delete MemoChord;
}

QPushButton* TFormMain::AddButton(const char* Name, const char* Caption, QRect Geometry) {
    auto* Button = new QPushButton(QString::fromUtf8(Caption), this);
    Button->setObjectName(QString::fromUtf8(Name));
    Button->setGeometry(Geometry);
    Button->setAutoDefault(false);
    return Button;
}

// The window is on the screen before the devices are listed and the synth is opened: the
// model starts right after the first paint, and keys pressed until then wait for it.
void TFormMain::paintEvent(QPaintEvent* Event) {
    QWidget::paintEvent(Event);
    if (!Painted) {
        Painted = true;
        QTimer::singleShot(0, this, [this] { MakeReady(); });
    }
}

void TFormMain::MakeReady() {
    Form.FormShow();
    Ready = true;
    if (PlayingIn) {
        PlayingIn->OpenKept();
    }
    for (TEarlyKey& Early : EarlyKeys) {
        if (Early.Press) {
            Form.OnKeyDown(Early.Key, Early.Shift);
        } else {
            Form.OnKeyUp(Early.Key, Early.Shift);
        }
    }
    EarlyKeys.clear();
    // Every window's icon, this one's too, only now: drawn from its SVG at each size a window
    // manager may take, it would hold the window back by milliseconds before it is shown.
    QApplication::setWindowIcon(KadenzoIcon());
}

void TFormMain::closeEvent(QCloseEvent* Event) {
    Form.FormClose();
    Event->accept();
    FormHelp.Close();
    FormExample.Close();
    if (FormScore) {
        FormScore->close();
    }
    QApplication::quit();
}

bool TFormMain::eventFilter(QObject* Watched, QEvent* Event) {
    return PlayKey(*Event) || QWidget::eventFilter(Watched, Event);
}

bool TFormMain::PlayKey(QEvent& Event) {
    switch (Event.type()) {
    case QEvent::KeyPress:
        return KeyPressed(static_cast<QKeyEvent*>(&Event));
    case QEvent::KeyRelease:
        KeyReleased(static_cast<QKeyEvent*>(&Event));
        return false;
    case QEvent::ShortcutOverride:
        // Keys go to the commands, not to shortcuts of the focused control.
        Event.accept();
        return true;
    default:
        return false;
    }
}

// Every key press reaches OnKeyDown and goes no further, so no control acts on it; Tab and
// Backtab still move the focus.
bool TFormMain::KeyPressed(QKeyEvent* Event) {
    if (PendingRelease && PendingRelease->ScanCode != 0 &&
        Event->nativeScanCode() == PendingRelease->ScanCode &&
        Event->timestamp() == PendingRelease->Timestamp) {
        PendingRelease.reset(); // auto-repeat: the key never went up
        ReleaseTimer.stop();
    }
    FlushPendingRelease();
    std::uint16_t Key = VirtualKeyOf(*Event, UseScanCodes);
    if (StopPlayingFor(Key)) {
        return true;
    }
    if (!Ready) {
        EarlyKeys.push_back({true, Key, ShiftStateOf(Event->modifiers())});
    } else {
        Form.OnKeyDown(Key, ShiftStateOf(Event->modifiers()));
    }
    return Event->key() != Qt::Key_Tab && Event->key() != Qt::Key_Backtab;
}

void TFormMain::KeyReleased(QKeyEvent* Event) {
    FlushPendingRelease();
    if (Event->isAutoRepeat()) {
        return;
    }
    PendingRelease = TRelease{VirtualKeyOf(*Event, UseScanCodes), ShiftStateOf(Event->modifiers()),
                              Event->nativeScanCode(), Event->timestamp()};
    ReleaseTimer.start(0);
}

void TFormMain::FlushPendingRelease() {
    if (PendingRelease) {
        const TRelease Release = *PendingRelease;
        PendingRelease.reset();
        ReleaseTimer.stop();
        if (!Ready) {
            EarlyKeys.push_back({false, Release.Key, Release.Shift});
        } else {
            Form.OnKeyUp(Release.Key, Release.Shift);
        }
    }
}

void TFormMain::FocusDisplay() {
    MemoChord->setFocus();
}

void TFormMain::ListDevices(const std::vector<std::string>& Names) {
    ListBoxDevs->clear();
    for (const std::string& Name : Names) {
        auto* Item = new QListWidgetItem(QString::fromStdString(Name), ListBoxDevs);
        Item->setSizeHint({0, 12});
    }
}

void TFormMain::SelectDevice(int Index) {
    ListBoxDevs->setCurrentRow(Index); // -1: none shown as chosen
}

// What cannot be read as a triad is said in the score window, whose layout is its own.
void TFormMain::ShowPlayed(const TPlayedChord& Played) {
    ShowStatus(QString::fromStdString(Played.Status));
}

void TFormMain::ShowStatus(const QString& Text) {
    Status = Text;
    if (FormScore) {
        FormScore->ShowStatus(Status);
    }
}

std::optional<std::string> TFormMain::QueryFileName(const std::string& Caption) {
    QInputDialog Dialog(this);
    Dialog.setWindowTitle(QString::fromStdString(Caption));
    Dialog.setLabelText(QString());
    Dialog.setTextValue(QString());
    Dialog.setOkButtonText(QStringLiteral("OK"));
    Dialog.setCancelButtonText(QStringLiteral("キャンセル"));
    if (auto* Field = Dialog.findChild<QLineEdit*>()) {
        Field->setMaxLength(kMaxFileNameLength);
    }
    if (auto* Prompt = Dialog.findChild<QLabel*>()) {
        Prompt->hide(); // the query has no prompt: no empty band over the field
    }
    MakePlainDialog(Dialog);
    if (Dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return Dialog.textValue().toStdString();
}

void TFormMain::ShowError(const std::string& Message) {
    ShowCritical(this, QStringLiteral("エラー"), Message);
}

void TFormMain::ShowConversionError(const std::string& Message) {
    ShowCritical(this, kProgramTitle, Message);
}

void InstallWindowFatalExit() {
    SetFatalExitHandler([](const std::string& Message) {
        ShowCritical(nullptr, kProgramTitle, Message);
        std::_Exit(EXIT_FAILURE);
    });
}
