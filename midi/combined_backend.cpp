#include "midi/combined_backend.h"

#include "midi/fluidsynth_backend.h"
#include "midi/rtmidi_backend.h"

TCombinedBackend::TCombinedBackend(std::vector<std::unique_ptr<TMidiBackend>> Parts)
    : Parts(std::move(Parts)) {}

int TCombinedBackend::DeviceCount() {
    int Count = 0;
    for (const auto& Part : Parts) {
        Count += Part->DeviceCount();
    }
    return Count;
}

std::optional<std::string> TCombinedBackend::DeviceName(int Device) {
    const std::optional<TLocal> Local = Locate(Device);
    if (!Local || Device < 0) {
        return std::nullopt;
    }
    return Local->Part->DeviceName(Local->Device);
}

std::optional<TMidiHandle> TCombinedBackend::Open(int Device) {
    const std::optional<TLocal> Local = Locate(Device);
    if (!Local) {
        return std::nullopt;
    }
    const std::optional<TMidiHandle> Inner = Local->Part->Open(Local->Device);
    if (!Inner) {
        return std::nullopt;
    }
    const TMidiHandle Handle = NextHandle++;
    Opened.emplace(Handle, TOpened{Local->Part, *Inner});
    return Handle;
}

void TCombinedBackend::Send(TMidiHandle Handle, std::uint32_t Message) {
    const auto Found = Opened.find(Handle);
    if (Found != Opened.end()) {
        Found->second.Part->Send(Found->second.Handle, Message);
    }
}

void TCombinedBackend::Close(TMidiHandle Handle) {
    const auto Found = Opened.find(Handle);
    if (Found != Opened.end()) {
        Found->second.Part->Close(Found->second.Handle);
        Opened.erase(Found);
    }
}

std::string TCombinedBackend::WhyOpenFailed(int Device) {
    const std::optional<TLocal> Local = Locate(Device);
    return Local ? Local->Part->WhyOpenFailed(Local->Device) : std::string();
}

std::optional<TCombinedBackend::TLocal> TCombinedBackend::Locate(int Device) {
    if (Device == -1) {
        if (Parts.empty()) {
            return std::nullopt;
        }
        return TLocal{Parts.front().get(), -1};
    }
    if (Device < -1) {
        return std::nullopt;
    }
    for (const auto& Part : Parts) {
        const int Count = Part->DeviceCount();
        if (Device < Count) {
            return TLocal{Part.get(), Device};
        }
        Device -= Count;
    }
    return std::nullopt;
}

std::unique_ptr<TMidiBackend> MakeSystemMidiBackend() {
    std::vector<std::unique_ptr<TMidiBackend>> Parts;
    auto Synth = std::make_unique<TFluidSynthBackend>();
    Synth->LoadInBackground(); // while the window is made
    Parts.push_back(std::move(Synth));
    Parts.push_back(std::make_unique<TRtMidiBackend>());
    return std::make_unique<TCombinedBackend>(std::move(Parts));
}
