// HID readers through the library's functions against the fake hidapi library: open and
// start, stop and close, failures, the list, and transponder commands over reports.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "tests/integration/sim_fixture.h"
#include "tests/usb/usb_fixture.h"
#include "vesmor.h"

namespace vesmor::test {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kStartReport = {0, 0x82, 0x10, 0, 0, 0, 0, 0, 0};
const Bytes kStopReport = {0, 0x82, 0x10, 1, 0, 0, 0, 0, 0};

using HidApiTest = FakeHidTest;

TEST_F(HidApiTest, OpenStartsTheReaderAndCloseStopsItByteForByte) {
    Configure("serial=4211-0001 tags=nxp");
    const int32_t handle = VESMOR_OpenPort("4211-0001 HID", 38400, 500);
    ASSERT_EQ(handle, 10001);
    EXPECT_EQ(VESMOR_IsUSB(handle), 1);
    EXPECT_EQ(VESMOR_IsConnected(handle), 1);
    std::vector<Bytes> reports = Reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front(), kStartReport);
    EXPECT_EQ(reports[1][1], 5) << "identification: a 5-byte type-0 frame in one report";
    ASSERT_EQ(VESMOR_ClosePort(handle), 0);
    reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports.back(), kStopReport);
    EXPECT_EQ(OpenCount(), 0);
    EXPECT_EQ(VESMOR_IsUSB(handle), -1);
}

TEST_F(HidApiTest, AFailedStartReportGivesMinus13AndLeavesTheDeviceClosed) {
    Configure("serial=4211-0001 nostart=1");
    EXPECT_EQ(VESMOR_OpenPort("4211-0001 HID", 19200, 500), VESMOR_OPEN_HID_START);
    EXPECT_EQ(Reports(), std::vector<Bytes>{kStartReport}) << "no stop for a reader never started";
    EXPECT_EQ(OpenCount(), 0);
}

// A device that takes 3 s to accept a report: the open's start report, a command's frame and
// the close each give up after the write time-out instead of waiting for the device.
TEST_F(HidApiTest, ADeviceThatTakesThreeSecondsPerReportHoldsNoCallForLong) {
    Configure("serial=4211-0001 tags=nxp writedelay=3000");
    int32_t result = 0;
    EXPECT_LT(TimeMs([&] { result = VESMOR_OpenPort("4211-0001 HID", 19200, 2000); }), 400);
    EXPECT_EQ(result, VESMOR_OPEN_HID_START);
    EXPECT_TRUE(ClosedWithin(5000));

    Configure("serial=4211-0002 tags=nxp");
    const int32_t handle = VESMOR_OpenPort("4211-0002 HID", 19200, 2000);
    ASSERT_GT(handle, 0);
    fake.Get<void (*)(int, int)>("fake_hid_set_write_delay")(0, 3000);
    unsigned char version[16];
    EXPECT_LT(TimeMs([&] { result = VESMOR_GetVersion(handle, version, sizeof version); }), 400)
        << "a frame that did not go out is not waited for";
    EXPECT_EQ(result, -1);
    EXPECT_EQ(VESMOR_GetLastError(handle), VESMOR_ERR_TIMEOUT);
    EXPECT_LT(TimeMs([&] { result = VESMOR_ClosePort(handle); }), 400);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(ClosedWithin(5000));
}

TEST_F(HidApiTest, NamesThatMatchNoReaderFailToOpen) {
    Configure("serial=4211-0001 vid=16C0 pid=1234");
    EXPECT_EQ(VESMOR_OpenPort("4211-0001 HID", 19200, 500), -1);
    EXPECT_EQ(VESMOR_OpenPort("4211-0002 HID", 19200, 500), -1);
    EXPECT_TRUE(Reports().empty());
}

TEST_F(HidApiTest, ASilentReaderIsNoReaderAndIsClosedAgain) {
    Configure("serial=4211-0001 silent=1");
    EXPECT_EQ(VESMOR_OpenPort("4211-0001 HID", 19200, 100), -11);
    EXPECT_EQ(OpenCount(), 0);
}

TEST_F(HidApiTest, AReadErrorClosesTheConnectionAndTheCallTimesOut) {
    Configure("serial=4211-0001 tags=nxp");
    const int32_t handle = VESMOR_OpenPort("4211-0001 HID", 19200, 500);
    ASSERT_EQ(handle, 10001);
    fake.Get<void (*)(int, int)>("fake_hid_set_read_error")(0, 1);
    unsigned char version[16];
    EXPECT_EQ(VESMOR_GetVersion(handle, version, sizeof version), -1);
    EXPECT_EQ(OpenCount(), 0) << "the device was closed";
    EXPECT_EQ(VESMOR_IsConnected(handle), -1) << "the dead connection is gone";
}

TEST_F(HidApiTest, TransponderCommandsTravelInReports) {
    Configure("serial=4211-0001 tags=nxp");
    const int32_t handle = VESMOR_OpenPort("4211-0001 HID", 19200, 500);
    ASSERT_GT(handle, 0);
    unsigned char records[64];
    ASSERT_EQ(VESMOR_Inventory(handle, records, sizeof records, 0), 11);
    const unsigned char data[4] = {'A', 'B', 'C', 'D'};
    const unsigned char* uid = records + 3;
    ASSERT_EQ(VESMOR_WriteBlock(handle, 3, data, 4, uid, 8, 1), 0);
    unsigned char block[8] = {};
    ASSERT_EQ(VESMOR_ReadBlock(handle, 3, block, sizeof block, uid, 8, 1), 4);
    EXPECT_EQ(Bytes(block, block + 4), Bytes(data, data + 4));
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
}

TEST_F(HidApiTest, UsbListHoldsHidReadersWithAcceptedArticleNumbersOnly) {
    Configure(
        "serial=4211-0001; serial=4221-0001; serial=3357-0002; serial=abcd-0001;"
        "serial=4211-0001; serial=6901-0009");
    EXPECT_EQ(UsbPorts(),
              (std::vector<std::string>{"4211-0001 HID", "3357-0002 HID", "6901-0009 HID"}));
}

}  // namespace
}  // namespace vesmor::test
