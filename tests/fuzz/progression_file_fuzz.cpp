// Arbitrary bytes as a progression file: reading never crashes or hangs, a file that reads
// holds only entries the engine can play, and a refused file leaves the progression as it was.
#include "midi/recording_backend.h"
#include "progression/form_main_model.h"
#include "progression/progression_file.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

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

std::string FuzzFile() {
    static const std::string Path =
        std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/kadenzo-fuzz-" +
        std::to_string(getpid());
    return Path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view Contents(reinterpret_cast<const char*>(Data), Size);
    const auto Parsed = ParseProgression(Contents);
    if (Parsed) {
        for (const TProgressionEntry& Entry : *Parsed) {
            const bool Playable = Entry.Tonality.Tonic.Letter >= 'A' &&
                                  Entry.Tonality.Tonic.Letter <= 'G' && Entry.Tonality.Mode <= 1 &&
                                  Entry.Degree >= 1 && Entry.Degree <= 7 && Entry.Variant <= 3;
            if (!Playable) {
                std::abort();
            }
        }
    }

    // Through the read button: the model keeps its progression when the file is refused.
    TRecordingBackend Backend({"Recorder 0"});
    TAnsweringView View;
    TFormMainModel Form(Backend, View);
    Form.FormShow();
    std::uint16_t Key = '1';
    Form.OnKeyDown(Key, 0);
    Key = '5';
    Form.OnKeyDown(Key, 0);
    const std::string Before =
        EntryLine(Form.GetProgression()[0]) + EntryLine(Form.GetProgression()[1]);

    View.Answer = FuzzFile();
    if (FILE* File = std::fopen(View.Answer.c_str(), "wb")) {
        std::fwrite(Data, 1, Size, File);
        std::fclose(File);
    }
    Form.ButtonReadClick();
    std::string After;
    for (const TProgressionEntry& Entry : Form.GetProgression()) {
        After += EntryLine(Entry);
    }
    if (View.ErrorShown != !Parsed || (!Parsed && After != Before) ||
        (Parsed && Form.GetProgression().size() != Parsed->size())) {
        std::abort();
    }
    // Whatever was read replays to the end without trouble.
    for (std::size_t i = 0; i <= Form.GetProgression().size(); ++i) {
        Key = 13;
        Form.OnKeyDown(Key, 0);
    }
    return 0;
}
