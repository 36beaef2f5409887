#include "harmony/fatal_exit.h"
#include "midi/midi_message.h"
#include "progression/form_main_model.h"
#include "progression/integer_text.h"

namespace {

std::string Quoted(const std::string& Text, const char* Complaint) {
    return "'" + Text + "' " + Complaint;
}

} // namespace

void TFormMainModel::FormShow() {
    Instrument = std::make_unique<TInstrument>(Backend);
    const int Count = Instrument->GetDevCount();
    DeviceNames.clear();
    for (int i = 0; i < Count; ++i) {
        std::string Name;
        if (!Instrument->GetDevProp(i, Name)) {
            FatalExit("TInstrument.GetDevPropが失敗");
        }
        DeviceNames.push_back(std::move(Name));
    }
    View.ListDevices(DeviceNames);
    Progression.clear();
    HeldArrow = 0;
    SelectedDevice = DeviceNames.empty() ? -1 : 0;
    View.SelectDevice(SelectedDevice);
    if (OpenSelectedDevice(true)) {
        ButtonVoiceNoClick();
    }
    ResetSession();
}

void TFormMainModel::FormClose() {
    SoundOff();
}

void TFormMainModel::ListBoxDevsClick() {
    if (OpenSelectedDevice(false)) {
        ButtonVoiceNoClick();
    }
}

// At start-up a device that does not open ends the program; later the user is told and the
// program goes on with no device, dropping messages until another one opens.
bool TFormMainModel::OpenSelectedDevice(bool AtStartUp) {
    if (Instrument->Open(SelectedDevice)) {
        return true;
    }
    if (AtStartUp) {
        const std::string Why = Backend.WhyOpenFailed(SelectedDevice);
        FatalExit("TInstrument.Openが失敗" + (Why.empty() ? "" : "\n" + Why));
    }
    View.ShowError("TInstrument.Openが失敗");
    View.SelectDevice(-1); // no device is open: none is shown as chosen
    return false;
}

void TFormMainModel::ButtonVoiceNoClick() {
    View.FocusDisplay();
    SoundOff();
    const std::optional<std::int32_t> Program = TextToInteger(VoiceNoText);
    if (!Program) {
        View.ShowConversionError(Quoted(VoiceNoText, "は整数ではありません"));
    } else if (!IsProgramNumber(*Program)) {
        View.ShowConversionError(Quoted(VoiceNoText, "は1から128までの整数ではありません"));
    } else {
        Instrument->SetVoice(*Program);
    }
}

void TFormMainModel::ButtonSoundOffClick() {
    SoundOff();
}
