#include "midi/device_module.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int kLoaderNice = 10;

struct TCloseLibrary {
    void operator()(void* Library) const { dlclose(Library); }
};

} // namespace

struct TDeviceModule::TLoaded {
    // Declared before the devices, whose code it holds, so that it outlives them.
    std::unique_ptr<void, TCloseLibrary> Library;
    std::unique_ptr<TMidiBackend> Devices;
    std::unique_ptr<TMidiInput> Input;
    std::string Failure; // when there are no devices, why
};

// The module's input ports, for the window to hold before the module is loaded.
class TDeviceModule::TInput : public TMidiInput {
public:
    explicit TInput(TDeviceModule& Module) : Module(Module) {}
    void Refresh() override {
        if (TMidiInput* Ports = Loaded()) {
            Ports->Refresh();
        }
    }
    int PortCount() override { return Loaded() ? Loaded()->PortCount() : 0; }
    std::optional<std::string> PortName(int Port) override {
        return Loaded() ? Loaded()->PortName(Port) : std::nullopt;
    }
    bool Open(int Port, TReceive Receive, TLost Lost) override {
        return Loaded() && Loaded()->Open(Port, std::move(Receive), std::move(Lost));
    }
    void Close() override {
        if (TMidiInput* Ports = Loaded()) {
            Ports->Close();
        }
    }

private:
    TMidiInput* Loaded() { return Module.Loaded().Input.get(); }
    TDeviceModule& Module;
};

TDeviceModule::TDeviceModule(std::string File)
    : File(std::move(File)), InputPorts(std::make_unique<TInput>(*this)) {}

TDeviceModule::~TDeviceModule() {
    if (Loading.valid()) {
        Loading.wait();
    }
}

TMidiInput& TDeviceModule::Input() {
    return *InputPorts;
}

void TDeviceModule::LoadInBackground() {
    if (!Module && !Loading.valid()) {
        Loading = std::async(std::launch::async, [File = File] {
            // Behind the window being drawn and the display server drawing it.
            setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kLoaderNice);
            return Load(File);
        });
    }
}

// Never unloaded (RTLD_NODELETE): some of the libraries it brings, GLib's type system among
// them, cannot be.
std::unique_ptr<TDeviceModule::TLoaded> TDeviceModule::Load(const std::string& File) {
    auto Made = std::make_unique<TLoaded>();
    Made->Library.reset(dlopen(File.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE));
    if (!Made->Library) {
        Made->Failure = dlerror();
        return Made;
    }
    const auto Entry =
        reinterpret_cast<TDeviceModuleEntry>(dlsym(Made->Library.get(), kDeviceModuleEntry));
    if (Entry == nullptr) {
        Made->Failure = dlerror();
        return Made;
    }
    Entry(&Made->Devices, &Made->Input);
    return Made;
}

TDeviceModule::TLoaded& TDeviceModule::Loaded() {
    if (!Module) {
        Module = Loading.valid() ? Loading.get() : Load(File);
    }
    return *Module;
}

int TDeviceModule::DeviceCount() {
    TMidiBackend* Devices = Loaded().Devices.get();
    return Devices ? Devices->DeviceCount() : 0;
}

std::optional<std::string> TDeviceModule::DeviceName(int Device) {
    TMidiBackend* Devices = Loaded().Devices.get();
    return Devices ? Devices->DeviceName(Device) : std::nullopt;
}

std::optional<TMidiHandle> TDeviceModule::Open(int Device) {
    TMidiBackend* Devices = Loaded().Devices.get();
    return Devices ? Devices->Open(Device) : std::nullopt;
}

void TDeviceModule::Send(TMidiHandle Handle, std::uint32_t Message) {
    if (TMidiBackend* Devices = Loaded().Devices.get()) {
        Devices->Send(Handle, Message);
    }
}

void TDeviceModule::Close(TMidiHandle Handle) {
    if (TMidiBackend* Devices = Loaded().Devices.get()) {
        Devices->Close(Handle);
    }
}

std::string TDeviceModule::WhyOpenFailed(int Device) {
    const TLoaded& Made = Loaded();
    if (Made.Devices) {
        return Made.Devices->WhyOpenFailed(Device);
    }
    return "音源と MIDI の部品を読み込めません (" + Made.Failure +
           ")。Kadenzo を入れ直してください。";
}
