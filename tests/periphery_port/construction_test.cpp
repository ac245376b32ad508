// The stored interface checked when the dialog is made, and the connection string it gives.

#include <gtest/gtest.h>

#include "tests/periphery_port/port_fakes.h"

namespace tagforge::test {
namespace {

using Kind = InterfaceKind;
using Strings = std::vector<std::string>;

class StoredInterface : public ::testing::Test, protected PortChoiceFixture {};

TEST_F(StoredInterface, AbsentNameBecomesCom1AndIsWrittenBack) {
    PortChoice& choice = Make();
    EXPECT_EQ(choice.GetOpenString(), "COM1:1");
    EXPECT_EQ(profile.strings["Port/Name"], "COM1");
    EXPECT_EQ(profile.writes, Strings{"Port/Name"});
    EXPECT_EQ(library.TotalFetches(), 0);

    PortChoiceFixture empty;
    empty.profile.strings["Port/Name"] = "";
    empty.profile.ints["Port/Adresse"] = 12;
    EXPECT_EQ(empty.Make().GetOpenString(), "COM1:12");
    EXPECT_EQ(empty.profile.strings["Port/Name"], "COM1");
}

TEST_F(StoredInterface, ReadsTheFiveSettingsWithTheirDefaults) {
    PortChoice& choice = Make();
    EXPECT_EQ(profile.reads, (Strings{"Port/Name", "Port/Baudrate", "Port/Timeout",
                                      "Port/EthernetAktiv", "Port/Adresse"}));
    EXPECT_EQ(choice.EncodedBaud(), 19200);
    EXPECT_EQ(choice.Timeout(), 1000u);
    EXPECT_FALSE(choice.EthernetEnabled());
    EXPECT_EQ(choice.Address(), 1);
}

TEST_F(StoredInterface, SerialNameIsKeptWithoutLookingForIt) {
    profile.strings["Port/Name"] = "/dev/pts/7";
    profile.ints["Port/Adresse"] = 3;
    library.lists[Kind::kSerial] = {"/dev/ttyS0"};
    EXPECT_EQ(Make().GetOpenString(), "/dev/pts/7:3");
    EXPECT_TRUE(profile.writes.empty());
    EXPECT_EQ(library.TotalFetches(), 0);
}

TEST_F(StoredInterface, UnpluggedUsbReaderGivesWayToTheFirstOnePresent) {
    profile.strings["Port/Name"] = "USB: 4711 HID";
    library.lists[Kind::kUsb] = {"1234 HID", "5678 HID"};
    EXPECT_EQ(Make().GetOpenString(), "1234 HID:1");
    EXPECT_EQ(profile.strings["Port/Name"], "USB: 1234 HID");
    EXPECT_EQ(library.fetches[Kind::kUsb], 1);
    EXPECT_EQ(library.bufferSizes, std::vector<int32_t>{2500});
}

TEST_F(StoredInterface, UsbReaderStillPresentIsKeptComparedExactly) {
    profile.strings["Port/Name"] = "USB: 5678 HID";
    library.lists[Kind::kUsb] = {"1234 HID", "5678 HID"};
    EXPECT_EQ(Make().GetOpenString(), "5678 HID:1");
    EXPECT_TRUE(profile.writes.empty());
    profile.strings["Port/Name"] = "USB: 5678 hid";
    Make();
    EXPECT_EQ(profile.strings["Port/Name"], "USB: 1234 HID");
}

TEST_F(StoredInterface, WithoutAnyUsbReaderTheNameIsEmptyAndOnlyTheAddressIsLeft) {
    profile.strings["Port/Name"] = "USB: 4711 HID";
    profile.ints["Port/Adresse"] = 2;
    EXPECT_EQ(Make().GetOpenString(), ":2");
    EXPECT_EQ(profile.strings["Port/Name"], "");
    EXPECT_EQ(profile.writes, Strings{"Port/Name"});
}

TEST_F(StoredInterface, BluetoothReaderIsCheckedLikeAUsbReader) {
    profile.strings["Port/Name"] = "Bluetooth: VEK-PN4207#1 BT";
    library.lists[Kind::kBluetooth] = {"VEK-PN4207#2 BT"};
    EXPECT_EQ(Make().GetOpenString(), "VEK-PN4207#2 BT:1");
    EXPECT_EQ(profile.strings["Port/Name"], "Bluetooth: VEK-PN4207#2 BT");
    EXPECT_EQ(library.fetches[Kind::kUsb], 0);
}

TEST_F(StoredInterface, LanNameWithEthernetOffIsKeptUncheckedAndStaysOutOfTheList) {
    profile.strings["Port/Name"] = "LAN: 192.168.0.10";
    library.lists[Kind::kLan] = {"192.168.0.11"};
    PortChoice& choice = Make();
    EXPECT_EQ(choice.GetOpenString(), "192.168.0.10:1");
    EXPECT_TRUE(library.calls.empty());
    EXPECT_EQ(library.fetches[Kind::kLan], 0);
    EXPECT_TRUE(profile.writes.empty());
    choice.Initialize();
    EXPECT_EQ(library.fetches[Kind::kLan], 0);
    EXPECT_TRUE(view.entries.empty());
}

TEST_F(StoredInterface, AnsweringLanReaderIsKeptWithoutSearching) {
    profile.strings["Port/Name"] = "LAN: 192.168.0.10";
    profile.ints["Port/EthernetAktiv"] = 1;
    library.lanReachable = 1;
    EXPECT_EQ(Make().GetOpenString(), "192.168.0.10:1");
    EXPECT_EQ(library.calls, Strings{"TestLanDevice 192.168.0.10"});
    EXPECT_EQ(library.fetches[Kind::kLan], 0);
}

TEST_F(StoredInterface, SilentLanReaderGivesWayToTheFirstOneFound) {
    profile.strings["Port/Name"] = "LAN: 192.168.0.10";
    profile.ints["Port/EthernetAktiv"] = 1;
    library.lists[Kind::kLan] = {"192.168.0.11", "192.168.0.12"};
    Make();
    EXPECT_EQ(profile.strings["Port/Name"], "LAN: 192.168.0.11");
}

TEST_F(StoredInterface, ListsFetchedWhileCheckingAreNotFetchedAgainWhenShown) {
    profile.strings["Port/Name"] = "USB: 1234 HID";
    library.lists[Kind::kUsb] = {"1234 HID"};
    library.lists[Kind::kSerial] = {"/dev/ttyS0"};
    Make().Initialize();
    EXPECT_EQ(library.fetches[Kind::kUsb], 1);
    EXPECT_EQ(library.fetches[Kind::kSerial], 1);
    EXPECT_EQ(library.fetches[Kind::kBluetooth], 1);
    EXPECT_EQ(library.fetches[Kind::kLan], 0) << "Ethernet is off";
}

}  // namespace
}  // namespace tagforge::test
