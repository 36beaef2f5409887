#include "tools/script_runner.h"

#include "harmony/fatal_exit.h"
#include "midi/midi_message.h"
#include "progression/progression_file.h"
#include "score/export.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool IsDigits(const std::string& Text, std::size_t MaxLength) {
    if (Text.empty() || Text.size() > MaxLength) {
        return false;
    }
    for (const char Character : Text) {
        if (Character < '0' || Character > '9') {
            return false;
        }
    }
    return true;
}

// "-" or a word of the letters S, A, C, each at most once.
std::optional<TShiftState> ParseModifiers(const std::string& Text) {
    if (Text == "-") {
        return TShiftState{0};
    }
    if (Text.empty()) {
        return std::nullopt;
    }
    TShiftState Shift = 0;
    for (const char Letter : Text) {
        const TShiftState Bit = Letter == 'S'   ? ssShift
                                : Letter == 'A' ? ssAlt
                                : Letter == 'C' ? ssCtrl
                                                : 0;
        if (Bit == 0 || (Shift & Bit) != 0) {
            return std::nullopt;
        }
        Shift |= Bit;
    }
    return Shift;
}

} // namespace

// One script line, parsed.
struct TScriptCommand {
    enum class TKind {
        Down,
        Up,
        Init,
        SoundOff,
        Voice,
        Select,
        Write,
        Read,
        WriteCancel,
        ReadCancel,
        Voicing,
        ExportMidi,
        ExportXml,
        Practice,
        PracticeEnd,
        MidiIn,
        Wait
    };
    TKind Kind = TKind::Init;
    std::uint16_t Key = 0;
    TShiftState Shift = 0;
    std::int32_t Number = 0;
    std::string Text;
    TVoicing Voicing = TVoicing::Block;
};

namespace {

using TKind = TScriptCommand::TKind;

bool IsSkipped(const std::string& Line) {
    return Line.empty() || Line[0] == '#';
}

// "down|up KEY MODIFIERS": a key code 0..65535 and its modifiers.
std::optional<TScriptCommand> ParseKeyCommand(TKind Kind, const std::optional<std::string>& Rest) {
    if (!Rest) {
        return std::nullopt;
    }
    const std::size_t Space = Rest->find(' ');
    const std::string Key = Rest->substr(0, Space);
    const std::optional<TShiftState> Shift =
        Space == std::string::npos ? std::nullopt : ParseModifiers(Rest->substr(Space + 1));
    if (!IsDigits(Key, 5) || std::stol(Key) > 65535 || !Shift) {
        return std::nullopt;
    }
    TScriptCommand Command;
    Command.Kind = Kind;
    Command.Key = static_cast<std::uint16_t>(std::stol(Key));
    Command.Shift = *Shift;
    return Command;
}

// "select N": a 32-bit signed list index.
std::optional<TScriptCommand> ParseSelect(const std::optional<std::string>& Rest) {
    if (!Rest) {
        return std::nullopt;
    }
    const bool Negative = !Rest->empty() && (*Rest)[0] == '-';
    if (!IsDigits(Negative ? Rest->substr(1) : *Rest, 10)) {
        return std::nullopt;
    }
    const long long Value = std::stoll(*Rest);
    if (Value < INT32_MIN || Value > INT32_MAX) {
        return std::nullopt;
    }
    TScriptCommand Command;
    Command.Kind = TKind::Select;
    Command.Number = static_cast<std::int32_t>(Value);
    return Command;
}

// "voicing block|four-part".
std::optional<TScriptCommand> ParseVoicing(const std::optional<std::string>& Rest) {
    TScriptCommand Command;
    Command.Kind = TKind::Voicing;
    if (Rest == "block") {
        Command.Voicing = TVoicing::Block;
    } else if (Rest == "four-part") {
        Command.Voicing = TVoicing::FourPart;
    } else {
        return std::nullopt;
    }
    return Command;
}

// "practice LESSON SEED": a lesson (a number or a folder, spaces allowed) and a seed
// 0..2^31-1.
std::optional<TScriptCommand> ParsePractice(const std::optional<std::string>& Rest) {
    const std::size_t Space = Rest ? Rest->rfind(' ') : std::string::npos;
    if (Space == std::string::npos || Space == 0) {
        return std::nullopt;
    }
    const std::string Seed = Rest->substr(Space + 1);
    if (!IsDigits(Seed, 10) || std::stoll(Seed) > INT32_MAX) {
        return std::nullopt;
    }
    TScriptCommand Command;
    Command.Kind = TKind::Practice;
    Command.Text = Rest->substr(0, Space);
    Command.Number = static_cast<std::int32_t>(std::stoll(Seed));
    return Command;
}

// "midi-in HH HH [HH]": a message of two or three hex bytes, packed status first.
std::optional<TScriptCommand> ParseMidiIn(const std::optional<std::string>& Rest) {
    if (!Rest || (Rest->size() != 5 && Rest->size() != 8)) {
        return std::nullopt;
    }
    TScriptCommand Command;
    Command.Kind = TKind::MidiIn;
    std::uint32_t Packed = 0;
    for (std::size_t At = 0, Byte = 0; At < Rest->size(); At += 3, ++Byte) {
        const std::string Hex = Rest->substr(At, 2);
        if ((At + 2 < Rest->size() && (*Rest)[At + 2] != ' ') ||
            Hex.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) {
            return std::nullopt;
        }
        Packed |= static_cast<std::uint32_t>(std::stoul(Hex, nullptr, 16)) << (8 * Byte);
    }
    Command.Number = static_cast<std::int32_t>(Packed);
    return Command;
}

// "wait MS": 0..60000 milliseconds.
std::optional<TScriptCommand> ParseWait(const std::optional<std::string>& Rest) {
    if (!Rest || !IsDigits(*Rest, 5) || std::stol(*Rest) > 60000) {
        return std::nullopt;
    }
    TScriptCommand Command;
    Command.Kind = TKind::Wait;
    Command.Number = static_cast<std::int32_t>(std::stol(*Rest));
    return Command;
}

enum class TArguments { None, Key, Text, Number, Voicing, Practice, MidiIn, Wait };

struct TCommandWord {
    std::string_view Word;
    TKind Kind;
    TArguments Arguments;
};

const TCommandWord kCommandWords[] = {
    {"down", TKind::Down, TArguments::Key},
    {"up", TKind::Up, TArguments::Key},
    {"init", TKind::Init, TArguments::None},
    {"soundoff", TKind::SoundOff, TArguments::None},
    {"write-cancel", TKind::WriteCancel, TArguments::None},
    {"read-cancel", TKind::ReadCancel, TArguments::None},
    {"voice", TKind::Voice, TArguments::Text},
    {"write", TKind::Write, TArguments::Text},
    {"read", TKind::Read, TArguments::Text},
    {"select", TKind::Select, TArguments::Number},
    {"voicing", TKind::Voicing, TArguments::Voicing},
    {"export-midi", TKind::ExportMidi, TArguments::Text},
    {"export-xml", TKind::ExportXml, TArguments::Text},
    {"practice", TKind::Practice, TArguments::Practice},
    {"practice-end", TKind::PracticeEnd, TArguments::None},
    {"midi-in", TKind::MidiIn, TArguments::MidiIn},
    {"wait", TKind::Wait, TArguments::Wait},
};

// The command of a line that is no comment; nothing for a malformed one.
std::optional<TScriptCommand> ParseCommand(const std::string& Line) {
    const std::size_t Space = Line.find(' ');
    const std::string Word = Line.substr(0, Space);
    const std::optional<std::string> Rest =
        Space == std::string::npos ? std::nullopt : std::optional(Line.substr(Space + 1));
    for (const TCommandWord& Entry : kCommandWords) {
        if (Entry.Word != Word) {
            continue;
        }
        TScriptCommand Command;
        Command.Kind = Entry.Kind;
        switch (Entry.Arguments) {
        case TArguments::None:
            return Rest ? std::nullopt : std::optional(Command);
        case TArguments::Text: // the rest of the line as it stands, spaces included
            Command.Text = Rest.value_or(std::string());
            return Command;
        case TArguments::Key:
            return ParseKeyCommand(Entry.Kind, Rest);
        case TArguments::Number:
            return ParseSelect(Rest);
        case TArguments::Voicing:
            return ParseVoicing(Rest);
        case TArguments::Practice:
            return ParsePractice(Rest);
        case TArguments::MidiIn:
            return ParseMidiIn(Rest);
        case TArguments::Wait:
            return ParseWait(Rest);
        }
    }
    return std::nullopt;
}

} // namespace

TScriptRunner::TScriptRunner(std::ostream& Out)
    : Out(Out), Backend({"Recorder 0", "Recorder 1"}), Form(Backend, *this) {
    Backend.SetListener([this](const TRecordingBackend::TEvent& Event) { PrintEvent(Event); });
    SetFatalExitHandler([this](const std::string& Message) {
        this->Out << "fatal " << Message << '\n';
        this->Out.flush();
        std::_Exit(3);
    });
}

// Closing the window silences the device; that is no command's doing and is not printed.
TScriptRunner::~TScriptRunner() {
    Printing = false;
    SetFatalExitHandler(nullptr);
}

void TScriptRunner::Start() {
    Out << "> start\n";
    Form.FormShow();
    PrintWindow();
}

TScriptRunner::TOutcome TScriptRunner::Run(const std::string& Line) {
    if (IsSkipped(Line)) {
        return TOutcome::Skipped;
    }
    const std::optional<TScriptCommand> Command = ParseCommand(Line);
    if (!Command) {
        return TOutcome::Malformed;
    }
    Out << "> " << Line << '\n';
    Execute(*Command);
    PrintGrades();
    PrintWindow();
    return TOutcome::Ran;
}

TScriptRunner::TOutcome TScriptRunner::RunQuietly(const std::string& Line) {
    if (IsSkipped(Line)) {
        return TOutcome::Skipped;
    }
    const std::optional<TScriptCommand> Command = ParseCommand(Line);
    if (!Command) {
        return TOutcome::Malformed;
    }
    Printing = false;
    Execute(*Command);
    Printing = true;
    Backend.ClearEvents();
    return TOutcome::Ran;
}

void TScriptRunner::Execute(const TScriptCommand& Command) {
    std::uint16_t Key = Command.Key;
    switch (Command.Kind) {
    case TKind::Down:
        Form.OnKeyDown(Key, Command.Shift);
        break;
    case TKind::Up:
        Form.OnKeyUp(Key, Command.Shift);
        break;
    case TKind::Init:
        Form.ButtonInitClick();
        break;
    case TKind::SoundOff:
        Form.ButtonSoundOffClick();
        break;
    case TKind::Voice:
        Form.SetVoiceNoText(Command.Text);
        Form.ButtonVoiceNoClick();
        break;
    case TKind::Select:
        Form.SetSelectedDevice(Command.Number);
        Form.ListBoxDevsClick();
        break;
    case TKind::Write:
    case TKind::WriteCancel:
        FileNameAnswer = Command.Kind == TKind::Write ? std::optional(Command.Text) : std::nullopt;
        Form.ButtonWriteClick();
        break;
    case TKind::Read:
    case TKind::ReadCancel:
        FileNameAnswer = Command.Kind == TKind::Read ? std::optional(Command.Text) : std::nullopt;
        Form.ButtonReadClick();
        break;
    case TKind::Voicing:
        Form.SetVoicing(Command.Voicing);
        break;
    case TKind::ExportMidi:
    case TKind::ExportXml:
        if (const std::optional<std::string> Error =
                ExportProgression(Form,
                                  Command.Kind == TKind::ExportXml ? TExportFormat::MusicXml
                                                                   : TExportFormat::MidiFile,
                                  Command.Text)) {
            ShowError(*Error);
        }
        break;
    case TKind::Practice:
        Practise(Command.Text, static_cast<std::uint32_t>(Command.Number));
        break;
    case TKind::PracticeEnd:
        EndPractice();
        break;
    case TKind::MidiIn:
        Form.OnMidiIn(static_cast<std::uint32_t>(Command.Number), Clock);
        break;
    case TKind::Wait:
        Clock += std::int64_t{Command.Number} * 1000;
        Form.AdvanceMidiIn(Clock);
        break;
    }
}

void TScriptRunner::Practise(const std::string& Lesson, std::uint32_t Seed) {
    if (!Practice) {
        Practice = std::make_unique<TPracticeSession>(Form, Records);
    }
    if (const std::optional<std::string> Error = Practice->Ask(Lesson, Seed)) {
        ShowError(*Error);
        if (!Practice->Asking()) {
            Practice.reset();
        }
        return;
    }
    if (!Practice->Notice().empty()) {
        ShowError(Practice->Notice());
    }
    ResultPrinted = false;
    const TQuestion& Question = Practice->Question();
    const TTonality Key = Question.Key();
    Out << "question " << Key.Tonic.Letter << Key.Tonic.Accidental << '/' << int{Key.Mode} << ' '
        << Question.Entries.size() << '\n';
    // The runner's clock stands still: every beat of the question sounds at once.
    for (const TBeatPlayer::TStep& Step : Practice->SoundSteps()) {
        Step();
    }
    for (const TProgressionEntry& Entry : Question.Entries) {
        Out << "expect " << EntryLine(Entry) << '\n';
    }
}

void TScriptRunner::EndPractice() {
    if (!Practice) {
        return;
    }
    Practice->End();
    const std::string Lesson = Practice->Lesson();
    const TLessonRecord Record = Practice->Record();
    Practice.reset();
    Out << "record " << Lesson << " asked=" << Record.Asked << " right=" << Record.Right << '\n';
}

void TScriptRunner::PrintGrades() {
    if (!Practice) {
        return;
    }
    for (const TGrade& Grade : Practice->TakeGrades()) {
        Out << "grade " << Grade.Index + 1 << (Grade.Right ? " right" : " wrong " + Grade.Expected)
            << '\n';
    }
    if (Practice->Complete() && !ResultPrinted) {
        Out << "result " << Practice->RightCount() << '/' << Practice->Question().Entries.size()
            << '\n';
        ResultPrinted = true;
    }
}

void TScriptRunner::PrintEvent(const TRecordingBackend::TEvent& Event) {
    if (!Printing) {
        return;
    }
    using TKind = TRecordingBackend::TEventKind;
    switch (Event.Kind) {
    case TKind::Open:
        Out << "open " << Event.Device << '\n';
        break;
    case TKind::Close:
        Out << "close " << Event.Device << '\n';
        break;
    case TKind::Message: {
        Out << "midi " << WireText(UnpackShortMessage(Event.Message)) << '\n';
        break;
    }
    }
}

void TScriptRunner::PrintWindow() {
    for (int i = 0; i < TDisplayLayout::kLineCount; ++i) {
        Out << "line" << i << ' ' << Form.Lines().Get(i) << '\n';
    }
    const TTonality Key = Form.GetTonality();
    Out << "state key=" << Key.Tonic.Letter << Key.Tonic.Accidental << '/' << int{Key.Mode}
        << " degree=" << Form.GetDegree() << " variant=" << int{Form.GetVariant()}
        << " cursor=" << Form.GetCursor() << " last=" << int{Form.GetLastAction()}
        << " candidate=" << Form.GetCandidateIndex() << " labelline=" << Form.GetLabelLine()
        << " keycol=" << Form.GetKeyLabelColumn() << " held=" << Form.GetHeldArrow() << '\n';
    for (const TProgressionEntry& Entry : Form.GetProgression()) {
        Out << "entry " << EntryLine(Entry) << '\n';
    }
    Backend.ClearEvents();
}

std::optional<std::string> TScriptRunner::QueryFileName(const std::string&) {
    return FileNameAnswer;
}

void TScriptRunner::ShowError(const std::string& Message) {
    if (Printing) {
        Out << "error " << Message << '\n';
    }
}

void TScriptRunner::ShowPlayed(const TPlayedChord& Played) {
    if (!Printing) {
        return;
    }
    Out << "played";
    for (const int Note : Played.Notes) {
        const auto Byte = static_cast<std::uint8_t>(Note);
        Out << ' ' << WireText(&Byte, 1);
    }
    Out << '\n';
    if (!Played.Status.empty()) {
        Out << "status " << Played.Status << '\n';
    }
    if (Played.Voices) {
        Out << "voices";
        for (const int Note : *Played.Voices) {
            const auto Byte = static_cast<std::uint8_t>(Note);
            Out << ' ' << WireText(&Byte, 1);
        }
        Out << '\n';
    }
    for (const TVoiceBreak& Break : Played.Breaks) {
        Out << "rule " << BreakText(Break) << '\n';
    }
}

void TScriptRunner::ShowConversionError(const std::string& Message) {
    ShowError(Message);
}

namespace {

constexpr int kMalformed = 2;

enum class TLineRead { Line, End, TooLong, Failed };

// The next line of Script without its LF, read no further than kMaxScriptLine bytes.
TLineRead ReadScriptLine(std::istream& Script, std::string& Line) {
    Line.clear();
    char Character = 0;
    while (Script.get(Character)) {
        if (Character == '\n') {
            return TLineRead::Line;
        }
        if (Line.size() == kMaxScriptLine) {
            return TLineRead::TooLong;
        }
        Line += Character;
    }
    if (Script.bad()) {
        return TLineRead::Failed;
    }
    return Line.empty() ? TLineRead::End : TLineRead::Line;
}

} // namespace

int RunScript(std::istream& Script, const std::string& Name, std::ostream& Out,
              std::ostream& Errors) {
    Script.peek();
    if (Script.fail()) {
        Errors << "kadenzo-script: cannot read " << Name << '\n';
        return kMalformed;
    }
    TScriptRunner Runner(Out);
    Runner.Start();
    Out.flush();
    std::string Line;
    for (std::uintmax_t Number = 1;; ++Number) {
        const TLineRead Read = ReadScriptLine(Script, Line);
        if (Read == TLineRead::End) {
            return 0;
        }
        if (Read == TLineRead::Failed) {
            Errors << "kadenzo-script: line " << Number << ": cannot read " << Name << '\n';
            return kMalformed;
        }
        if (Read == TLineRead::TooLong) {
            Errors << "kadenzo-script: line " << Number << ": longer than " << kMaxScriptLine
                   << " bytes\n";
            return kMalformed;
        }
        if (Runner.Run(Line) == TScriptRunner::TOutcome::Malformed) {
            Errors << "kadenzo-script: line " << Number << ": malformed command: " << Line << '\n';
            return kMalformed;
        }
        Out.flush();
    }
}
