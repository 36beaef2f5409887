#pragma once

#include "midi/midi_backend.h"
#include "midi/midi_input.h"
#include "progression/form_main_model.h"
#include "progression/form_main_view.h"
#include "score/export.h"
#include "ui/beat_driver.h"
#include "ui/reference_window.h"
#include "ui/settings.h"

#include <QTimer>

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QLineEdit;
class QListWidget;
class TProgressionDisplay;
class QPushButton;

// The main window: its controls hand every event to the model, which holds all behaviour.
class TFormMain : public QWidget, private TFormMainView {
public:
    // The reference windows are made when first opened; Input, when given, is the MIDI input
    // that chords may be played in from.
    explicit TFormMain(TMidiBackend& Backend, TMidiInput* Input = nullptr);
    // With reference windows made by the caller (tests, measurements).
    TFormMain(TMidiBackend& Backend, TReferenceWindow& FormHelp, TReferenceWindow& FormExample,
              TMidiInput* Input = nullptr);
    ~TFormMain() override;

    TFormMainModel& Model() { return Form; }
    // Whether the devices are listed and the first one opened (FormShow has run).
    bool IsReady() const { return Ready; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QPushButton* AddButton(const char* Name, const char* Caption, QRect Geometry);
    // Plays a key event of any of the program's windows; says whether it is taken.
    bool PlayKey(QEvent& Event);
    bool KeyPressed(QKeyEvent* Event);
    void KeyReleased(QKeyEvent* Event);
    void FlushPendingRelease();
    // The context menu's commands, beside the keys: they reach what no key does.
    void MakeMenuActions();
    void ApplySettings();
    // Plays the whole progression from the start at the tempo kept, the cursor following.
    void PlayAll();
    // A key pressed while playing stops it; says whether the key did only that (Esc).
    bool StopPlayingFor(std::uint16_t Key);
    QAction* MakeExportAction(const char* Name, const char* Title, const char* Filter,
                              TExportFormat Format);

    // TFormMainView
    void FocusDisplay() override;
    void ListDevices(const std::vector<std::string>& Names) override;
    void SelectDevice(int Index) override;
    std::optional<std::string> QueryFileName(const std::string& Caption) override;
    void ShowError(const std::string& Message) override;
    void ShowConversionError(const std::string& Message) override;
    void ShowPlayed(const TPlayedChord& Played) override;
    // A line for the student about playing in, shown in the score window.
    void ShowStatus(const QString& Text);

    TFormMain(TMidiBackend& Backend, TReferenceWindowSlot FormHelp,
              TReferenceWindowSlot FormExample, TMidiInput* Input);

    TReferenceWindowSlot FormHelp;
    TReferenceWindowSlot FormExample;
    TSettingsStore Settings;
    TFormMainModel Form;
    // 「譜表」, following the progression from the start, so that it is right whenever shown.
    std::unique_ptr<class TScoreWindow> FormScore;
    // Playing in from a MIDI keyboard, when there is an input.
    std::unique_ptr<class TPlayingIn> PlayingIn;
    QString Status;
    // 「聴音練習」, made when first opened.
    std::unique_ptr<class TPracticeWindow> FormPractice;
    QPushButton* ButtonHelp;
    QListWidget* ListBoxDevs;
    QLineEdit* EditVoiceNo;
    QPushButton* ButtonVoiceNo;
    QPushButton* ButtonExample;
    QPushButton* ButtonSoundOff;
    TProgressionDisplay* MemoChord;
    QPushButton* ButtonInit;
    QPushButton* ButtonRead;
    QPushButton* ButtonWrite;
    QPushButton* ButtonClose;
    QAction* ActionFourPart;
    QAction* ActionShowScore;
    QAction* ActionPlay;
    QAction* ActionPractice;
    QAction* ActionExportXml;
    QAction* ActionExportMidi;
    void MakeReady();

    bool Painted = false;
    bool Ready = false;
    bool UseScanCodes;
    // Keys pressed and released before the model is ready, played once it is.
    struct TEarlyKey {
        bool Press;
        std::uint16_t Key;
        TShiftState Shift;
    };
    std::vector<TEarlyKey> EarlyKeys;

    // A key release waits here until the next event shows whether it was auto-repeat: X11
    // then sends a press of the same key with the same timestamp right after it.
    struct TRelease {
        std::uint16_t Key;
        TShiftState Shift;
        quint32 ScanCode;
        quint64 Timestamp;
    };
    std::optional<TRelease> PendingRelease;
    QTimer ReleaseTimer;
    TBeatDriver Playback;
};

// Shows a fatal message in a critical message box, then ends the process at once.
void InstallWindowFatalExit();
