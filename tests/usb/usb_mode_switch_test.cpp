// Switching readers between HID and virtual COM mode from the interface selection dialog's
// logic, with the library itself: a reader behind a pseudo-terminal and a HID reader behind
// the fake hidapi library receive the mode and reset commands and are closed.

#include <gtest/gtest.h>

#include "sim/pty_link.h"
#include "tests/periphery_port/port_fakes.h"
#include "tests/usb/usb_fixture.h"
#include "vesmor.h"

namespace vesmor::test {
namespace {

using tagforge::InterfaceKind;
using tagforge::ModeState;
using Bytes = std::vector<uint8_t>;

// libvesmor, except that the serial list holds the pseudo-terminal as a virtual COM reader and
// the virtual COM driver counts as installed.
class LibraryWithVirtualComReader final : public tagforge::InterfaceLibrary {
  public:
    explicit LibraryWithVirtualComReader(std::string serialEntry)
        : entry_(std::move(serialEntry)) {}
    int32_t GetList(InterfaceKind kind, char* buffer, int32_t size) override {
        if (kind == InterfaceKind::kSerial) {
            return tagforge::test::WriteNames({entry_}, buffer, size);
        }
        return real_.GetList(kind, buffer, size);
    }
    int32_t TestLanDevice(const char* reader) override { return real_.TestLanDevice(reader); }
    int32_t FindLanDevices(char* buffer, int32_t size) override {
        return real_.FindLanDevices(buffer, size);
    }
    int32_t GetLanConfig(const char* reader, char* name, char* address, char* mask,
                         char* gateway) override {
        return real_.GetLanConfig(reader, name, address, mask, gateway);
    }
    int32_t SetLanConfig(const char* reader, const char* newAddress, const char* mask,
                         const char* gateway) override {
        return real_.SetLanConfig(reader, newAddress, mask, gateway);
    }
    int32_t GetMissingDrivers() override { return real_.GetMissingDrivers(); }
    int32_t IsVirtualComDriverInstalled() override { return 1; }
    int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs) override {
        opened = real_.OpenPort(name, baud, timeoutMs);
        return opened;
    }
    int32_t SetUsbMode(int32_t handle, int32_t mode) override {
        return real_.SetUsbMode(handle, mode);
    }
    int32_t ResetDevice(int32_t handle, int32_t first, int32_t second) override {
        return real_.ResetDevice(handle, first, second);
    }
    int32_t ClosePort(int32_t handle) override { return real_.ClosePort(handle); }

    int32_t opened = 0;

  private:
    std::string entry_;
    tagforge::InterfaceLibrary& real_ = tagforge::VesmorInterfaces();
};

class ModeSwitchEndToEnd : public FakeHidTest {
  protected:
    void SetUp() override {
        FakeHidTest::SetUp();
        Configure("serial=4211-0001");
        profile.strings["Port/Name"] = "";
        choice = std::make_unique<tagforge::PortChoice>(profile, library, view);
        choice->Initialize();
    }
    int Select(const std::string& entry) {
        for (size_t i = 0; i < view.entries.size(); ++i) {
            if (view.entries[i] == entry) {
                view.selected = static_cast<int>(i);
                return view.selected;
            }
        }
        return -1;
    }

    sim::PtyLink link{sim::ReaderConfig{}};
    LibraryWithVirtualComReader library{link.Path() + " [Vek Virtual COM]"};
    tagforge::test::RecordingProfile profile;
    tagforge::test::FakeView view;
    std::unique_ptr<tagforge::PortChoice> choice;
};

TEST_F(ModeSwitchEndToEnd, HidModeSendsModeOneThenTheResetAndClosesTheVirtualComReader) {
    ASSERT_GE(Select(link.Path() + " [Vek Virtual COM]"), 0);
    choice->OnSelectionChanged();
    EXPECT_EQ(view.mode, ModeState::kVirtualCom);
    link.ClearLog();
    choice->OnHidMode();
    ASSERT_GT(library.opened, 0);
    std::vector<std::pair<uint8_t, Bytes>> commands;
    for (const sim::Request& request : link.Requests()) {
        if (request.command != 0xF0) {
            commands.emplace_back(request.command, request.data);
        }
    }
    EXPECT_EQ(commands, (std::vector<std::pair<uint8_t, Bytes>>{{0xFF, {1}}, {0xF6, {0, 0}}}));
    EXPECT_EQ(VESMOR_IsConnected(library.opened), -1) << "closed";
    EXPECT_EQ(view.waits, std::vector<int>{1000});
    EXPECT_EQ(choice->CurrentName(), "");
}

TEST_F(ModeSwitchEndToEnd, VirtualComSendsModeTwoToTheHidReaderListedWithItsUsbPrefix) {
    ASSERT_GE(Select("USB: 4211-0001 HID"), 0) << "the HID reader is listed with \"USB: \"";
    choice->OnSelectionChanged();
    EXPECT_EQ(view.mode, ModeState::kHid);
    choice->OnVirtualCom();
    ASSERT_EQ(library.opened, 10001);
    std::vector<Bytes> commands;
    for (Bytes c = fake.Take("fake_hid_take_command", 0); !c.empty();
         c = fake.Take("fake_hid_take_command", 0)) {
        if (c[0] != 0xF0) {
            commands.push_back(c);
        }
    }
    EXPECT_EQ(commands, (std::vector<Bytes>{{0xFF, 2}, {0xF6, 0, 0}}));
    const std::vector<Bytes> reports = Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), (Bytes{0, 0x82, 0x10, 1, 0, 0, 0, 0, 0})) << "stopped, then closed";
    EXPECT_EQ(OpenCount(), 0);
    EXPECT_EQ(view.waits, std::vector<int>{1000});
}

}  // namespace
}  // namespace vesmor::test
