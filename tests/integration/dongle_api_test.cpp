// Bluetooth readers through the public functions: a dongle on a pseudo-terminal and dongles of
// the fake USBXpress library, each with a simulated reader in range.

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "sim/tag_field.h"
#include "tests/fakes/fake_siusbxp_control.h"
#include "tests/integration/sim_fixture.h"

namespace vesmor::test {
namespace {

sim::PtyLink::Options DongleOptions() {
    sim::PtyLink::Options options;
    options.dongle = true;
    return options;
}

class BluetoothOnPty : public ::testing::Test {
  protected:
    BluetoothOnPty() : link(Reader(0), DongleOptions()) {}
    std::string Name() const { return link.Path() + " BT:1"; }

    sim::PtyLink link;
};

TEST_F(BluetoothOnPty, OpensWithoutAskingTheReaderAndGetsTheBluetoothModel) {
    const int32_t handle = VESMOR_OpenPort(Name().c_str(), 9600, 500);
    ASSERT_GE(handle, 30001);
    EXPECT_TRUE(link.Requests().empty()) << "no identification";
    EXPECT_EQ(link.GetDongleLog().inquiries, 0) << "the link is made on demand";
    EXPECT_EQ(VESMOR_IsProgrammer(handle), 1);
    EXPECT_EQ(VESMOR_GetProtocolType(handle), 0);
    EXPECT_EQ(VESMOR_IsUSB(handle), 0);
    char name[32];
    const int32_t length = VESMOR_GetDeviceName(handle, name, sizeof name);
    char fallback[32];
    VESMOR_GetDeviceName(-5, fallback, sizeof fallback);
    EXPECT_GT(length, 0);
    EXPECT_STRNE(name, fallback) << "0x125 is a known model";
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    EXPECT_EQ(link.GetDongleLog().disconnects, 0) << "never linked, nothing to disconnect";
}

TEST_F(BluetoothOnPty, TheFirstCommandLinksAndIsAnsweredAndCloseDisconnects) {
    link.Field().Insert(sim::ChipKind::kNxp, sim::ParseUid("E004010000000011"));
    const int32_t handle = VESMOR_OpenPort(Name().c_str(), 9600, 500);
    ASSERT_GT(handle, 0);
    unsigned char records[64];
    EXPECT_EQ(VESMOR_Inventory(handle, records, sizeof records, 0x26), 11);
    EXPECT_EQ(link.GetDongleLog().connects, 1);
    unsigned char version[8];
    ASSERT_EQ(VESMOR_GetVersion(handle, version, sizeof version), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(version), 4), "1257");
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    EXPECT_EQ(link.GetDongleLog().disconnects, 1);
    EXPECT_FALSE(link.IsDongleLinkUp());
}

TEST_F(BluetoothOnPty, ALostLinkCostsNoCommand) {
    const int32_t handle = VESMOR_OpenPort(Name().c_str(), 9600, 500);
    ASSERT_GT(handle, 0);
    ASSERT_EQ(VESMOR_SetReaderOption(handle, 0), 0);
    link.SetReaderInRange(false);
    link.SetReaderInRange(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 1), 0) << VESMOR_GetLastError(handle);
    EXPECT_EQ(link.GetDongleLog().connects, 2);
    VESMOR_ClosePort(handle);
}

TEST_F(BluetoothOnPty, AReaderOutOfRangeTimesOutAndTheDongleStaysOpen) {
    link.SetReaderInRange(false);
    const int32_t handle = VESMOR_OpenPort(Name().c_str(), 9600, 200);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), -1);
    EXPECT_EQ(VESMOR_GetLastError(handle), 4);
    link.SetReaderInRange(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(520));
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), 0);
    VESMOR_ClosePort(handle);
}

TEST(BluetoothNames, AWidcommNameIsRefused) {
    EXPECT_EQ(VESMOR_OpenPort("COM3 BTW", 9600, 100), -1);
    EXPECT_EQ(VESMOR_OpenPort("/dev/null BT", 9600, 100), -1) << "not a terminal";
}

class BluetoothThroughUsbXpress : public ::testing::Test {
  protected:
    BluetoothThroughUsbXpress() : fake("VEK-PN4207#00042;VEK-PN4207#00043", "nxp") {}
    FakeSiUsbXp fake;
};

TEST_F(BluetoothThroughUsbXpress, ANameInAnyLetterCaseOpensTheDongleOfThatSerialNumber) {
    const int32_t handle = VESMOR_OpenPort("vek-pn4207#00043 BT:1", 19200, 500);
    ASSERT_GE(handle, 30001);
    EXPECT_EQ(fake.Query(0, "open"), 0);
    EXPECT_EQ(fake.Query(1, "open"), 1);
    EXPECT_EQ(fake.Query(1, "baud"), 921600);
    EXPECT_EQ(fake.Query(1, "line"), 0x0800);
    EXPECT_EQ(fake.Query(1, "breaks"), 1);
    EXPECT_EQ(fake.Query(1, "resets"), 1) << "the dongle is reset at open";
    EXPECT_EQ(VESMOR_OpenPort("VEK-PN4207#00043 BT", 19200, 500), -1) << "already open";
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    EXPECT_EQ(fake.Query(1, "open"), 0);
}

TEST(BluetoothSetUp, AFailingStepClosesTheDongleAndFailsTheOpen) {
    for (const char* step :
         {"SI_SetBaudRate", "SI_SetLineControl", "SI_SetFlowControl", "SI_SetBreak"}) {
        ::setenv("VESMOR_FAKE_SIUSBXP_FAIL", step, 1);
        FakeSiUsbXp fake("VEK-PN4207#00042");
        EXPECT_EQ(VESMOR_OpenPort("VEK-PN4207#00042 BT", 19200, 500), -1) << step;
        EXPECT_EQ(fake.Query(0, "open"), 0) << step;
        ::unsetenv("VESMOR_FAKE_SIUSBXP_FAIL");
    }
}

TEST_F(BluetoothThroughUsbXpress, TwoDonglesAreTwoConnections) {
    const int32_t first = VESMOR_OpenPort("VEK-PN4207#00042 BT", 19200, 500);
    const int32_t second = VESMOR_OpenPort("VEK-PN4207#00043 BT", 19200, 500);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_NE(first, second);
    unsigned char records[64];
    EXPECT_EQ(VESMOR_Inventory(second, records, sizeof records, 0x26), 11);
    EXPECT_EQ(fake.Query(0, "connects"), 0);
    EXPECT_EQ(fake.Query(1, "connects"), 1);
    VESMOR_ClosePort(first);
    VESMOR_ClosePort(second);
    EXPECT_EQ(fake.Query(1, "disconnects"), 1);
}

TEST_F(BluetoothThroughUsbXpress, AWriteAndReadBackGoThroughTheLink) {
    const int32_t handle = VESMOR_OpenPort("VEK-PN4207#00042 BT", 19200, 500);
    ASSERT_GT(handle, 0);
    unsigned char records[64];
    ASSERT_EQ(VESMOR_Inventory(handle, records, sizeof records, 0x26), 11);
    const unsigned char data[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    ASSERT_EQ(VESMOR_WriteBlock(handle, 0, data, 4, records + 3, 8, 1), 0)
        << VESMOR_GetLastError(handle);
    EXPECT_EQ(fake.FirstBlock(0), (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
    VESMOR_ClosePort(handle);
}

TEST_F(BluetoothThroughUsbXpress, ALostLinkIsConnectedAgainByTheNextCommand) {
    const int32_t handle = VESMOR_OpenPort("VEK-PN4207#00042 BT", 19200, 500);
    ASSERT_GT(handle, 0);
    ASSERT_EQ(VESMOR_SetReaderOption(handle, 0), 0);
    fake.SetReaderInRange(0, false);
    fake.SetReaderInRange(0, true);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), 0) << VESMOR_GetLastError(handle);
    EXPECT_EQ(fake.Query(0, "connects"), 2);
    EXPECT_EQ(fake.Query(0, "inquiries"), 1);
    VESMOR_ClosePort(handle);
}

}  // namespace
}  // namespace vesmor::test
