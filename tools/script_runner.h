#pragma once

#include "midi/recording_backend.h"
#include "practice/practice_session.h"
#include "practice/records.h"
#include "progression/form_main_model.h"

#include <cstddef>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

struct TScriptCommand;

// Runs the main window's behaviour from script commands, with two recording MIDI devices,
// and writes after each command what happened: MIDI traffic, dialogs, the display lines, the
// working state and the progression.
class TScriptRunner : private TFormMainView {
public:
    explicit TScriptRunner(std::ostream& Out);
    ~TScriptRunner() override;

    // The window's start-up, printed as the block of the pseudo-command "start".
    void Start();

    enum class TOutcome { Ran, Skipped, Malformed };
    // Runs one script line (without its LF) and prints its block.
    TOutcome Run(const std::string& Line);

    // Runs one line without printing anything, for measurements of the model's own work.
    TOutcome RunQuietly(const std::string& Line);

    TFormMainModel& Model() { return Form; }

private:
    void Execute(const TScriptCommand& Command);
    void PrintEvent(const TRecordingBackend::TEvent& Event);
    void PrintWindow();
    void Practise(const std::string& Lesson, std::uint32_t Seed);
    void EndPractice();
    // The grades of the answer since the last block, and its result once complete.
    void PrintGrades();

    // TFormMainView
    void FocusDisplay() override {}
    void ListDevices(const std::vector<std::string>&) override {}
    void SelectDevice(int) override {}
    std::optional<std::string> QueryFileName(const std::string& Caption) override;
    void ShowError(const std::string& Message) override;
    void ShowConversionError(const std::string& Message) override;
    void ShowPlayed(const TPlayedChord& Played) override;

    std::ostream& Out;
    bool Printing = true;
    std::optional<std::string> FileNameAnswer;
    TRecordingBackend Backend;
    TFormMainModel Form;
    // The practice's records live as long as the run: a transcript never depends on the
    // records of earlier runs.
    TRecords Records;
    std::unique_ptr<TPracticeSession> Practice;
    bool ResultPrinted = false;
    // The runner's clock for the input keyboard: it moves only by `wait`.
    std::int64_t Clock = 0;
};

// The longest script line that is run: far beyond any command, so that only a source without
// line breaks (/dev/zero) meets it, which is then refused before it can exhaust memory.
inline constexpr std::size_t kMaxScriptLine = std::size_t{1} << 20;

// kadenzo-script on Script (Name in its messages): the start-up, then each line run as soon as
// it is read, each block flushed to Out once printed, so an endless source runs until it is
// stopped. Its exit status: 0 at the end of Script; 2, with a message on Errors, for a
// malformed or overlong line (after the blocks of every line before it) or for a Script that
// cannot be read (nothing printed when it cannot be read at all). A fatal exit ends the
// process with 3.
int RunScript(std::istream& Script, const std::string& Name, std::ostream& Out,
              std::ostream& Errors);
