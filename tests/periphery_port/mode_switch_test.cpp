// The "HID Mode" and "Virtual Com" buttons: which entries offer a switch, and the switching
// sequences.

#include <gtest/gtest.h>

#include "common/messages.h"
#include "tests/periphery_port/port_fakes.h"

namespace tagforge::test {
namespace {

using Kind = InterfaceKind;
using Strings = std::vector<std::string>;

TEST(ModeButtons, FollowTheKindOfEntry) {
    EXPECT_EQ(ModeOf("USB: 4211-0001 HID"), ModeState::kHid);
    EXPECT_EQ(ModeOf("USB: 0001-6901-7 HID"), ModeState::kHid);
    EXPECT_EQ(ModeOf("/dev/ttyACM0 [Vek Virtual COM]"), ModeState::kVirtualCom);
    EXPECT_EQ(ModeOf("COM3 [Vek Virtual COM]"), ModeState::kVirtualCom);
    EXPECT_EQ(ModeOf("/dev/ttyACM0 [Vek USB Reader]"), ModeState::kNone);
    EXPECT_EQ(ModeOf("COM3"), ModeState::kNone);
    EXPECT_EQ(ModeOf("/dev/ttyS0"), ModeState::kNone);
    EXPECT_EQ(ModeOf("LAN: 192.168.0.10"), ModeState::kNone);
    EXPECT_EQ(ModeOf("Bluetooth: VEK-PN4207#1 BT"), ModeState::kNone);
    EXPECT_EQ(ModeOf(""), ModeState::kNone);
}

TEST(ModeButtons, UsbEntryNeedsHidAndAnArticleNumberOfTheList) {
    EXPECT_EQ(ModeOf("USB: 4212-0001 HID"), ModeState::kNone) << "not a switchable article";
    EXPECT_EQ(ModeOf("USB: 4211-0001"), ModeState::kNone) << "D2XX, no HID";
    EXPECT_EQ(ModeOf("4211-0001 HID"), ModeState::kNone) << "no USB prefix";
    EXPECT_EQ(ModeOf("/dev/ttyUSB0 4211- HID"), ModeState::kNone);
    for (const char* article :
         {"4211-", "4213-", "4215-", "4216-", "4217-", "4218-", "4431-", "4435-", "4436-", "4437-",
          "4541-", "4546-", "5801-", "5806-", "6901-"}) {
        EXPECT_EQ(ModeOf(std::string("USB: ") + article + "1 HID"), ModeState::kHid) << article;
    }
}

TEST(ModeButtons, MarkersCountOnlyAfterTheFirstCharacters) {
    EXPECT_FALSE(IsSwitchableHidDevice("4211-0001 HID")) << "article number at the start";
    EXPECT_TRUE(IsSwitchableHidDevice("x4211-0001 HID"));
    EXPECT_FALSE(IsSwitchableHidDevice(" HID 4211-"));
    EXPECT_FALSE(IsVirtualComName("COM [Vek Virtual COM]")) << "marker at offset 3";
    EXPECT_TRUE(IsVirtualComName("COM1 [Vek Virtual COM]"));
    EXPECT_FALSE(IsVirtualComName("\\\\.\\COM1 [Vek Virtual COM]"));
}

class ModeSwitch : public ::testing::Test, protected PortChoiceFixture {
  protected:
    void SetUp() override {
        library.lists[Kind::kSerial] = {"/dev/ttyS0", "/dev/ttyACM0 [Vek Virtual COM]"};
        library.lists[Kind::kUsb] = {"4211-0001 HID", "4999-0001 HID"};
        profile.strings["Port/Name"] = "/dev/ttyS0";
        MakeInitialized();
        library.calls.clear();
    }
};

TEST_F(ModeSwitch, SelectingEntriesShowsTheirModeAndSerialFormat) {
    view.selected = 1;
    choice->OnSelectionChanged();
    EXPECT_EQ(view.mode, ModeState::kVirtualCom);
    EXPECT_TRUE(view.serialFormat);
    view.selected = 2;
    choice->OnSelectionChanged();
    EXPECT_EQ(view.mode, ModeState::kHid);
    EXPECT_FALSE(view.serialFormat);
    EXPECT_EQ(choice->CurrentName(), "USB: 4211-0001 HID");
    view.selected = 3;
    choice->OnSelectionChanged();
    EXPECT_EQ(view.mode, ModeState::kNone);
    view.selected = -1;
    choice->OnSelectionChanged();
    EXPECT_EQ(view.mode, ModeState::kNone);
    EXPECT_EQ(choice->CurrentName(), "USB: 4999-0001 HID") << "no selection changes no name";
}

TEST_F(ModeSwitch, HidModeSwitchesAVirtualComReader) {
    view.selected = 1;
    choice->OnHidMode();
    EXPECT_EQ(library.calls, (Strings{"OpenPort /dev/ttyACM0 [Vek Virtual COM] 19200 100",
                                      "SetUsbMode 7 1", "ResetDevice 7 0 0", "ClosePort 7"}));
    EXPECT_EQ(choice->CurrentName(), "");
    EXPECT_EQ(view.waits, std::vector<int>{1000});
    EXPECT_EQ(view.mode, ModeState::kNone);
    EXPECT_EQ(view.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(ModeSwitch, ReaderThatDoesNotOpenIsLeftAlone) {
    library.openResult = -11;
    view.selected = 1;
    choice->OnHidMode();
    EXPECT_EQ(library.calls.size(), 1u);
    EXPECT_EQ(choice->CurrentName(), "/dev/ttyACM0 [Vek Virtual COM]");
    EXPECT_TRUE(view.waits.empty());
    EXPECT_EQ(view.mode, ModeState::kVirtualCom);
}

TEST_F(ModeSwitch, HidModeOnAnotherEntryDoesNothing) {
    view.selected = 0;
    choice->OnHidMode();
    EXPECT_TRUE(library.calls.empty());
    EXPECT_EQ(view.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(ModeSwitch, VirtualComSwitchesAHidReaderWhenTheDriverIsThere) {
    view.selected = 2;
    choice->OnVirtualCom();
    EXPECT_EQ(library.calls, (Strings{"OpenPort 4211-0001 HID 19200 100", "SetUsbMode 7 2",
                                      "ResetDevice 7 0 0", "ClosePort 7"}));
    EXPECT_EQ(choice->CurrentName(), "");
    EXPECT_EQ(view.waits, std::vector<int>{1000});
}

TEST_F(ModeSwitch, VirtualComWithoutDriverOffersTheDriverPage) {
    library.virtualComDriver = 0;
    view.answerYes = true;
    view.selected = 2;
    choice->OnVirtualCom();
    EXPECT_TRUE(library.calls.empty());
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0], (std::vector<int>{kMsgNoVirtualComDriver, kMsgLoadDriver}));
    EXPECT_EQ(view.pagesOpened, 1);
    EXPECT_EQ(view.waits, std::vector<int>{2000});
    EXPECT_EQ(view.mode, ModeState::kHid);
}

TEST_F(ModeSwitch, VirtualComOnAReaderThatIsNoSwitchableHidReaderDoesNothing) {
    view.selected = 3;
    choice->OnVirtualCom();
    view.selected = 1;
    choice->OnVirtualCom();
    EXPECT_TRUE(library.calls.empty());
    EXPECT_TRUE(view.questions.empty());
}

}  // namespace
}  // namespace tagforge::test
