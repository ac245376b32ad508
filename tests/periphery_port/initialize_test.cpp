// Filling the window: the list by kind with display prefixes, the selection of the current name,
// the controls that depend on it, and the serial format from the stored baud value.

#include <gtest/gtest.h>

#include "tests/periphery_port/port_fakes.h"

namespace tagforge::test {
namespace {

using Kind = InterfaceKind;
using Strings = std::vector<std::string>;

class ShownDialog : public ::testing::Test, protected PortChoiceFixture {
  protected:
    void SetUp() override {
        library.lists[Kind::kSerial] = {"\\\\.\\/dev/ttyS0", "/dev/ttyACM0 [Vek Virtual COM]"};
        library.lists[Kind::kUsb] = {"4211-0001 HID"};
        library.lists[Kind::kLan] = {"192.168.0.10"};
        library.lists[Kind::kBluetooth] = {"VEK-PN4207#1 BT"};
        profile.ints["Port/EthernetAktiv"] = 1;
    }
};

TEST_F(ShownDialog, ListsSerialUsbLanAndBluetoothEntriesWithTheirPrefixes) {
    profile.strings["Port/Name"] = "/dev/ttyS0";
    Make().Initialize();
    EXPECT_EQ(view.entries,
              (Strings{"/dev/ttyS0", "/dev/ttyACM0 [Vek Virtual COM]", "USB: 4211-0001 HID",
                       "LAN: 192.168.0.10", "Bluetooth: VEK-PN4207#1 BT"}));
    EXPECT_EQ(view.selected, 0);
    EXPECT_TRUE(view.lanSearch);
    EXPECT_EQ(view.posted, std::vector<int>{kRefreshRequest});
}

TEST_F(ShownDialog, CurrentNameSelectsTheFirstEntryBeginningWithItInAnyCase) {
    profile.strings["Port/Name"] = "/DEV/TTYACM0";
    PortChoice& choice = Make();
    choice.Initialize();
    EXPECT_EQ(view.selected, 1);
    EXPECT_EQ(choice.CurrentName(), "/DEV/TTYACM0") << "the name is not taken from the list";
    EXPECT_EQ(view.mode, ModeState::kNone);
}

TEST_F(ShownDialog, LegacyComNameSelectsItsDevice) {
    for (const std::string stored : {"COM1", "com1", "\\\\.\\COM1"}) {
        profile.strings["Port/Name"] = stored;
        PortChoice& choice = Make();
        choice.Initialize();
        EXPECT_EQ(view.selected, 0) << stored << " is /dev/ttyS0";
        EXPECT_EQ(choice.CurrentName(), stored);
    }
    EXPECT_EQ(ListedName("COM12 [x]"), "/dev/ttyS11 [x]");
    EXPECT_EQ(ListedName("COM0"), "COM0");
    EXPECT_EQ(ListedName("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

TEST_F(ShownDialog, NameMatchingNoEntryAmongSeveralLeavesNothingSelectedAndNoName) {
    profile.strings["Port/Name"] = "/dev/ttyUSB5";
    PortChoice& choice = Make();
    choice.Initialize();
    EXPECT_EQ(view.selected, -1);
    EXPECT_EQ(choice.CurrentName(), "");
    EXPECT_EQ(choice.GetOpenString(), ":1");
}

TEST_F(ShownDialog, NameMatchingNoEntryTakesTheOnlyEntry) {
    library.lists = {{Kind::kSerial, {"/dev/ttyACM0 [Vek Virtual COM]"}}};
    profile.strings["Port/Name"] = "/dev/ttyUSB5";
    profile.ints["Port/EthernetAktiv"] = 0;
    PortChoice& choice = Make();
    choice.Initialize();
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(choice.CurrentName(), "/dev/ttyACM0 [Vek Virtual COM]");
    EXPECT_EQ(choice.GetOpenString(), "/dev/ttyACM0 [Vek Virtual COM]:1");
    EXPECT_EQ(view.mode, ModeState::kVirtualCom);
    EXPECT_TRUE(profile.writes.empty()) << "written only on OK";
}

TEST_F(ShownDialog, EmptyListLeavesNoName) {
    library.lists.clear();
    PortChoice& choice = Make();
    choice.Initialize();
    EXPECT_TRUE(view.entries.empty());
    EXPECT_EQ(choice.CurrentName(), "");
}

TEST_F(ShownDialog, SerialFormatIsOfferedForSerialPortsOnly) {
    profile.strings["Port/Name"] = "USB: 4211-0001 HID";
    Make().Initialize();
    EXPECT_FALSE(view.serialFormat);
    EXPECT_EQ(view.mode, ModeState::kHid);

    PortChoiceFixture serial;
    serial.library.lists = library.lists;
    serial.profile.strings["Port/Name"] = "/dev/ttyS0";
    serial.Make().Initialize();
    EXPECT_TRUE(serial.view.serialFormat);
}

TEST_F(ShownDialog, WithEthernetOffTheLanListStaysEmptyAndIpSearchHidden) {
    profile.ints["Port/EthernetAktiv"] = 0;
    profile.strings["Port/Name"] = "/dev/ttyS0";
    Make().Initialize();
    EXPECT_EQ(view.entries.size(), 4u);
    EXPECT_FALSE(view.lanSearch);
}

const Strings kBaudEntries = {"2400", "4800", "9600", "19200"};

TEST(SerialFormat, StoredValueSelectsRateParityAndStopBits) {
    const SerialChoice twoStopBits = DecodeBaud(9603, kBaudEntries);
    EXPECT_EQ(kBaudEntries[static_cast<size_t>(twoStopBits.baud)], "9600");
    EXPECT_EQ(twoStopBits.parity, 0) << "keine";
    EXPECT_EQ(twoStopBits.stopBits, 1) << "2";
    const SerialChoice even = DecodeBaud(19201, kBaudEntries);
    EXPECT_EQ(even.baud, 3);
    EXPECT_EQ(even.parity, 1);
    EXPECT_EQ(even.stopBits, 0);
    EXPECT_EQ(DecodeBaud(2402, kBaudEntries).parity, 2);
    EXPECT_EQ(DecodeBaud(4800, kBaudEntries).baud, 1);
}

TEST(SerialFormat, UnknownCodesShowAsNoParityOneStopBit) {
    const SerialChoice odd = DecodeBaud(19250, kBaudEntries);
    EXPECT_EQ(odd.parity, 0);
    EXPECT_EQ(odd.stopBits, 0);
    EXPECT_EQ(odd.baud, -1) << "19250 begins no entry";
    EXPECT_EQ(DecodeBaud(115200, kBaudEntries).baud, -1);
    EXPECT_EQ(DecodeBaud(-5, kBaudEntries).parity, 0);
}

TEST(SerialFormat, SelectionIsStoredAsRatePlusLineCode) {
    EXPECT_EQ(EncodeBaud({3, 1, 1}, kBaudEntries), 19201) << "even parity drops two stop bits";
    EXPECT_EQ(EncodeBaud({2, 0, 1}, kBaudEntries), 9603);
    EXPECT_EQ(EncodeBaud({0, 2, 0}, kBaudEntries), 2402);
    EXPECT_EQ(EncodeBaud({1, 0, 0}, kBaudEntries), 4800);
    EXPECT_EQ(EncodeBaud({1, -1, 1}, kBaudEntries), 4800);
    EXPECT_EQ(EncodeBaud({-1, 1, 1}, kBaudEntries), std::nullopt);
}

TEST(ListPrefixSearch, IgnoresCaseAndNeverMatchesAnEmptyText) {
    const Strings entries = {"/dev/ttyS0", "USB: 4211-0001 HID"};
    EXPECT_EQ(FindPrefix(entries, "usb: 4211"), 1);
    EXPECT_EQ(FindPrefix(entries, "/dev/tty"), 0);
    EXPECT_EQ(FindPrefix(entries, ""), -1);
    EXPECT_EQ(FindPrefix(entries, "/dev/ttyS0 "), -1);
}

}  // namespace
}  // namespace tagforge::test
