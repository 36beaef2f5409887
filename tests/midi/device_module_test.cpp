#include "midi/device_module.h"
#include "midi/recording_backend.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>

namespace {

// The devices the test module made last, and the thread that made them.
TRecordingBackend& MadeByTestModule(std::thread::id& MadeOn) {
    void* Loaded = dlopen(KADENZO_RECORDING_DEVICES, RTLD_NOW | RTLD_NOLOAD);
    const auto Made = reinterpret_cast<TRecordingBackend* (*)(std::thread::id*)>(
        dlsym(Loaded, "KadenzoTestDevices"));
    dlclose(Loaded);
    return *Made(&MadeOn);
}

TEST(DeviceModule, HandsEveryCallToTheDevicesAndPortsTheModuleMadeInTheBackground) {
    TDeviceModule Module(KADENZO_RECORDING_DEVICES);
    Module.LoadInBackground();
    EXPECT_EQ(Module.DeviceName(1), "B");
    std::thread::id MadeOn;
    TRecordingBackend& Made = MadeByTestModule(MadeOn);
    EXPECT_NE(MadeOn, std::this_thread::get_id());
    Made.FailToOpen(0, "why");
    EXPECT_EQ(Module.Open(0), std::nullopt);
    EXPECT_EQ(Module.WhyOpenFailed(0), "why");
    const TMidiHandle Handle = Module.Open(1).value_or(0);
    Module.Send(Handle, 0x403C90);
    Module.Close(Handle);
    EXPECT_EQ(Made.MessagesTo(1), std::vector<std::uint32_t>{0x403C90});
    EXPECT_EQ(Module.DeviceCount(), 2);
    EXPECT_EQ(Made.Events().size(), 3u); // opened, the message, closed

    TMidiInput& Input = Module.Input();
    EXPECT_EQ(Input.PortCount(), 1);
    Input.Refresh();
    std::uint32_t Received = 0;
    EXPECT_TRUE(Input.Open(1, [&](std::uint32_t Message) { Received = Message; }, {}));
    EXPECT_EQ(Received, 0x403C90u);
    EXPECT_EQ(Input.PortName(1), "In 1 open");
    Input.Close();
    EXPECT_EQ(Input.PortName(1), "In 1");
    EXPECT_EQ(Input.PortCount(), 2);
}

// Loaded on first use, here without the background thread.
TEST(DeviceModule, WithoutTheModuleNoDeviceOrPortIsListedOrOpensAndTheReasonIsGiven) {
    // No such file; a library without the entry.
    for (const std::string File : {"/nonexistent/kadenzo-devices.so", "libm.so.6"}) {
        TDeviceModule Module(File);
        EXPECT_EQ(Module.DeviceCount(), 0);
        EXPECT_EQ(Module.DeviceName(0), std::nullopt);
        EXPECT_EQ(Module.Open(-1), std::nullopt);
        Module.Send(1, 0x403C90);
        Module.Close(1);
        TMidiInput& Input = Module.Input();
        Input.Refresh();
        EXPECT_EQ(Input.PortCount(), 0);
        EXPECT_EQ(Input.PortName(0), std::nullopt);
        EXPECT_FALSE(Input.Open(0, {}, {}));
        Input.Close();
        const std::string Why = Module.WhyOpenFailed(-1);
        EXPECT_NE(Why.find(File == "libm.so.6" ? kDeviceModuleEntry : File), std::string::npos);
        EXPECT_NE(Why.find("入れ直して"), std::string::npos) << Why;
    }
}

} // namespace
