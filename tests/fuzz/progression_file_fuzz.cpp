// Arbitrary bytes as a progression file, read through the read button and followed by a few
// keys, then written and read again. Reading never crashes or hangs, a file that reads holds
// only entries the engine can play, a refused file leaves the progression as it was, and
// whatever the progression then holds is written and read back to the same bytes and entries.
//
// An input is a header and the file: one byte of flags (bit 0: repeat the file until it is
// longer than one read buffer), one byte giving the number of keys (0..15), two bytes per key
// (virtual-key code, modifier bits), then the file's bytes.
#include "midi/recording_backend.h"
#include "progression/form_main_model.h"
#include "progression/progression_file.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr std::size_t kPastOneBuffer = 70 * 1024;
constexpr std::uint8_t kRepeatFlag = 1;
constexpr std::size_t kMaxKeys = 16;

class TAnsweringView : public TFormMainView {
public:
    std::string Answer;
    bool ErrorShown = false;
    void FocusDisplay() override {}
    void ListDevices(const std::vector<std::string>&) override {}
    void SelectDevice(int) override {}
    std::optional<std::string> QueryFileName(const std::string&) override { return Answer; }
    void ShowError(const std::string&) override { ErrorShown = true; }
    void ShowConversionError(const std::string&) override {}
};

std::string TempFile(const char* Role) {
    const char* Folder = std::getenv("TMPDIR");
    return std::string(Folder != nullptr ? Folder : "/tmp") + "/kadenzo-fuzz-" + Role + "-" +
           std::to_string(getpid());
}

// Both files go when an input is done, however it ends.
struct TTempFiles {
    std::string Read = TempFile("read");
    std::string Written = TempFile("written");
    ~TTempFiles() {
        std::remove(Read.c_str());
        std::remove(Written.c_str());
    }
};

void Require(bool Condition) {
    if (!Condition) {
        std::abort();
    }
}

std::string Lines(const std::vector<TProgressionEntry>& Entries) {
    std::string Bytes;
    for (const TProgressionEntry& Entry : Entries) {
        Bytes += EntryLine(Entry) + "\r\n";
    }
    return Bytes;
}

bool SameEntries(const std::vector<TProgressionEntry>& A, const std::vector<TProgressionEntry>& B) {
    if (A.size() != B.size()) {
        return false;
    }
    for (std::size_t i = 0; i < A.size(); ++i) {
        if (EntryLine(A[i]) != EntryLine(B[i]) ||
            A[i].Tonality.Tonic.Accidental != B[i].Tonality.Tonic.Accidental) {
            return false;
        }
    }
    return true;
}

std::string Slurp(const std::string& Path) {
    std::string Bytes;
    if (FILE* File = std::fopen(Path.c_str(), "rb")) {
        char Buffer[4096];
        for (std::size_t Read; (Read = std::fread(Buffer, 1, sizeof Buffer, File)) > 0;) {
            Bytes.append(Buffer, Read);
        }
        std::fclose(File);
    }
    return Bytes;
}

void Spill(const std::string& Path, const std::string& Bytes) {
    if (FILE* File = std::fopen(Path.c_str(), "wb")) {
        std::fwrite(Bytes.data(), 1, Bytes.size(), File);
        std::fclose(File);
    }
}

void CheckPlayable(const std::vector<TProgressionEntry>& Entries) {
    for (const TProgressionEntry& Entry : Entries) {
        Require(Entry.Tonality.Tonic.Letter >= 'A' && Entry.Tonality.Tonic.Letter <= 'G' &&
                Entry.Tonality.Mode <= 1 && Entry.Degree >= 1 && Entry.Degree <= 7 &&
                Entry.Variant <= 3);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view Input(reinterpret_cast<const char*>(Data), Size);
    const std::uint8_t Flags = Size > 0 ? Data[0] : 0;
    const std::size_t KeyCount = Size > 1 ? Data[1] % kMaxKeys : 0;
    const std::size_t Header = std::min(Size, 2 + 2 * KeyCount);
    const std::string_view Keys =
        Input.substr(std::min<std::size_t>(Size, 2), Header - std::min<std::size_t>(Size, 2));
    std::string Contents(Input.substr(Header));
    if ((Flags & kRepeatFlag) != 0 && !Contents.empty()) {
        const std::string Once = Contents;
        while (Contents.size() < kPastOneBuffer) {
            Contents += Once;
        }
    }
    const auto Parsed = ParseProgression(Contents);
    if (Parsed) {
        CheckPlayable(*Parsed);
    }

    // Through the read button: the model keeps its progression when the file is refused.
    const TTempFiles Files;
    TRecordingBackend Backend({"Recorder 0"});
    TAnsweringView View;
    TFormMainModel Form(Backend, View);
    Form.FormShow();
    std::uint16_t Key = '1';
    Form.OnKeyDown(Key, 0);
    Key = '5';
    Form.OnKeyDown(Key, 0);
    const std::vector<TProgressionEntry> Before = Form.GetProgression();

    View.Answer = Files.Read;
    Spill(Files.Read, Contents);
    Form.ButtonReadClick();
    Require(View.ErrorShown == !Parsed);
    Require(SameEntries(Form.GetProgression(), Parsed ? *Parsed : Before));

    // Any keys, then the whole recording replayed.
    for (std::size_t i = 0; i + 1 < Keys.size(); i += 2) {
        Key = static_cast<std::uint8_t>(Keys[i]);
        const auto Shift = static_cast<TShiftState>(Keys[i + 1] & (ssShift | ssAlt | ssCtrl));
        Form.OnKeyDown(Key, Shift);
        Form.OnKeyUp(static_cast<std::uint8_t>(Keys[i]), Shift);
    }
    CheckPlayable(Form.GetProgression());
    Key = 36; // Home
    Form.OnKeyDown(Key, 0);
    for (std::size_t i = 0; i <= Form.GetProgression().size(); ++i) {
        Key = 13;
        Form.OnKeyDown(Key, 0);
    }

    // Written through the write button and read back: the same bytes, the same entries.
    const std::vector<TProgressionEntry> Held = Form.GetProgression();
    View.Answer = Files.Written;
    View.ErrorShown = false;
    Form.ButtonWriteClick();
    Require(View.ErrorShown == !FitsProgressionFile(Held));
    if (!View.ErrorShown) {
        Require(Slurp(Files.Written) == Lines(Held));
        const auto Back = ReadProgressionFile(Files.Written);
        Require(Back && SameEntries(*Back, Held));
    }
    return 0;
}
