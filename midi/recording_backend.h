#pragma once

#include "midi/midi_backend.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// A MIDI system for tests and the headless runner: named devices that record what they are
// sent. Device -1 opens as itself; numbers outside the list, or marked as failing, fail to open.
class TRecordingBackend : public TMidiBackend {
public:
    enum class TEventKind { Open, Close, Message };
    struct TEvent {
        TEventKind Kind;
        int Device;
        std::uint32_t Message; // packed; 0 for Open and Close
    };

    explicit TRecordingBackend(std::vector<std::string> Names);

    void FailToOpen(int Device, std::string Reason = {}) { Failing[Device] = std::move(Reason); }
    // Called with every event as it happens, besides the log.
    void SetListener(std::function<void(const TEvent&)> Listener) {
        this->Listener = std::move(Listener);
    }
    const std::vector<TEvent>& Events() const { return Log; }
    void ClearEvents() { Log.clear(); }
    // The packed messages that Device received, in order.
    std::vector<std::uint32_t> MessagesTo(int Device) const;

    int DeviceCount() override;
    std::optional<std::string> DeviceName(int Device) override;
    std::optional<TMidiHandle> Open(int Device) override;
    void Send(TMidiHandle Handle, std::uint32_t Message) override;
    void Close(TMidiHandle Handle) override;
    std::string WhyOpenFailed(int Device) override {
        const auto Found = Failing.find(Device);
        return Found != Failing.end() ? Found->second : std::string();
    }

private:
    std::vector<std::string> Names;
    // The devices that fail to open, with what they say why.
    std::map<int, std::string> Failing;
    void Record(const TEvent& Event);

    std::vector<TEvent> Log;
    std::function<void(const TEvent&)> Listener;
};
