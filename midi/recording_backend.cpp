#include "midi/recording_backend.h"

#include <utility>

namespace {

// Handles are device numbers shifted by one, so that device -1 has a handle too.
TMidiHandle HandleOf(int Device) {
    return static_cast<TMidiHandle>(Device + 1);
}
int DeviceOf(TMidiHandle Handle) {
    return static_cast<int>(Handle) - 1;
}

} // namespace

TRecordingBackend::TRecordingBackend(std::vector<std::string> Names) : Names(std::move(Names)) {}

std::vector<std::uint32_t> TRecordingBackend::MessagesTo(int Device) const {
    std::vector<std::uint32_t> Messages;
    for (const TEvent& Event : Log) {
        if (Event.Kind == TEventKind::Message && Event.Device == Device) {
            Messages.push_back(Event.Message);
        }
    }
    return Messages;
}

int TRecordingBackend::DeviceCount() {
    return static_cast<int>(Names.size());
}

std::optional<std::string> TRecordingBackend::DeviceName(int Device) {
    if (Device < 0 || Device >= DeviceCount()) {
        return std::nullopt;
    }
    return Names[static_cast<std::size_t>(Device)];
}

std::optional<TMidiHandle> TRecordingBackend::Open(int Device) {
    if (Device < -1 || Device >= DeviceCount() || Failing.count(Device) > 0) {
        return std::nullopt;
    }
    Record({TEventKind::Open, Device, 0});
    return HandleOf(Device);
}

void TRecordingBackend::Send(TMidiHandle Handle, std::uint32_t Message) {
    Record({TEventKind::Message, DeviceOf(Handle), Message});
}

void TRecordingBackend::Close(TMidiHandle Handle) {
    Record({TEventKind::Close, DeviceOf(Handle), 0});
}

void TRecordingBackend::Record(const TEvent& Event) {
    Log.push_back(Event);
    if (Listener) {
        Listener(Event);
    }
}
