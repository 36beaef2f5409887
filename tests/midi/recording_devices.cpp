// A device module for the loader's tests: recording devices "A" and "B", handed to the test
// by KadenzoTestDevices with the thread that made them, and input ports as a keyboard plugged
// in would give them: one listed, two once listed anew; the port open is named so, and opening
// one delivers a note-on at once.
#include "midi/device_module.h"
#include "midi/recording_backend.h"

#include <thread>

namespace {

class TFakeInput : public TMidiInput {
public:
    void Refresh() override { Listed = 2; }
    int PortCount() override { return Listed; }
    std::optional<std::string> PortName(int Port) override {
        return "In " + std::to_string(Port) + (Port == OpenPort ? " open" : "");
    }
    bool Open(int Port, TReceive Receive, TLost) override {
        OpenPort = Port;
        Receive(0x403C90);
        return true;
    }
    void Close() override { OpenPort = -1; }

private:
    int Listed = 1;
    int OpenPort = -1;
};

TRecordingBackend* Made = nullptr;
std::thread::id MadeOn;

} // namespace

extern "C" void KadenzoMakeSystemMidi(std::unique_ptr<TMidiBackend>* Devices,
                                      std::unique_ptr<TMidiInput>* Input) {
    *Devices = std::make_unique<TRecordingBackend>(std::vector<std::string>{"A", "B"});
    *Input = std::make_unique<TFakeInput>();
    Made = static_cast<TRecordingBackend*>(Devices->get());
    MadeOn = std::this_thread::get_id();
}

extern "C" TRecordingBackend* KadenzoTestDevices(std::thread::id* Maker) {
    *Maker = MadeOn;
    return Made;
}
