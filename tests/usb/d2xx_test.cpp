// FTDI readers in D2XX mode against the fake libftd2xx.so, and without any D2XX library: the
// device list, opening by serial number, the latency timer, the diagnostics and the driver
// check.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "tests/transports/fake_sysfs.h"
#include "tests/usb/usb_fixture.h"
#include "vesmor.h"

namespace vesmor::test {
namespace {

using Bytes = std::vector<uint8_t>;

class D2xx : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fake.Loaded());
        fake.Get<void (*)()>("fake_d2xx_reset")();
        SetEnv("VESMOR_FTD2XX_LIB", FAKE_FTD2XX_PATH);
        SetEnv("VESMOR_HIDAPI_LIB", FAKE_HIDAPI_PATH);
        SetEnv("VESMOR_FAKE_HID", "");
        SetEnv("VESMOR_SYSFS_ROOT", sysfs.Root());
    }
    void TearDown() override { ::unsetenv("VESMOR_DEBUG"); }
    void Configure(const std::string& devices) { SetEnv("VESMOR_FAKE_D2XX", devices); }
    int Query(const char* function, int device = 0) {
        return fake.Get<int (*)(int)>(function)(device);
    }

    FakeLibrary fake{FAKE_FTD2XX_PATH};
    testing::FakeSysfs sysfs;
};

TEST_F(D2xx, WithoutTheLibraryListsStayEmptyOpensFailAndTheReasonIsTold) {
    Configure("serial=4211-0001 tags=nxp");
    SetEnv("VESMOR_FTD2XX_LIB", "/nonexistent/libftd2xx.so");
    SetEnv("VESMOR_DEBUG", "1");
    ::testing::internal::CaptureStderr();
    const std::vector<std::string> ports = UsbPorts();
    const int32_t handle = VESMOR_OpenPort("4211-0001", 19200, 500);
    const std::string diagnostics = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(ports.empty());
    EXPECT_EQ(handle, -1);
    EXPECT_NE(diagnostics.find("Fehler: Kann libftd2xx.so nicht laden\n"), std::string::npos)
        << diagnostics;
    EXPECT_NE(diagnostics.find("FT_CreateDeviceInfoList ist nicht vorhanden!\n"), std::string::npos)
        << diagnostics;
}

TEST_F(D2xx, EveryFunctionTheLibraryLacksIsNamedInTableOrder) {
    Configure("");
    SetEnv("VESMOR_DEBUG", "1");
    ::testing::internal::CaptureStderr();
    UsbPorts();
    const std::string diagnostics = ::testing::internal::GetCapturedStderr();
    const char* const missing[] = {"FT_SetBaudRate",         "FT_SetUSBParameters",
                                   "FT_ListDevices",         "FT_GetDeviceInfoDetail",
                                   "FT_ResetDevice",         "FT_W32_GetOverlappedResult",
                                   "FT_W32_ClearCommBreak",  "FT_W32_EscapeCommFunction",
                                   "FT_W32_GetCommTimeouts", "FT_W32_SetCommBreak",
                                   "FT_W32_SetupComm",       "FT_W32_WaitCommEvent"};
    size_t at = 0;
    for (const char* name : missing) {
        const std::string line = std::string("Fehler: Kann ") + name + " nicht initialisieren\n";
        const size_t found = diagnostics.find(line, at);
        ASSERT_NE(found, std::string::npos) << name << " in\n" << diagnostics;
        at = found + line.size();
    }
    EXPECT_EQ(diagnostics.find("FT_W32_CreateFile nicht"), std::string::npos);
    EXPECT_EQ(diagnostics.find("nicht laden"), std::string::npos);
}

TEST_F(D2xx, ASerialNumberOpensItsDeviceWithALatencyTimerOfTwoMilliseconds) {
    Configure("serial=FT0001; serial=4211-0001 tags=nxp");
    const int32_t handle = VESMOR_OpenPort("4211-0001", 38401, 500);
    ASSERT_GT(handle, 0);
    EXPECT_LT(handle, 10001) << "a serial id";
    EXPECT_EQ(VESMOR_IsUSB(handle), 1);
    EXPECT_EQ(Query("fake_d2xx_is_open", 0), 0);
    EXPECT_EQ(Query("fake_d2xx_is_open", 1), 1);
    EXPECT_EQ(Query("fake_d2xx_latency", 1), 2);
    EXPECT_EQ(Query("fake_d2xx_baud", 1), 19200) << "a serial number is no COM name: 19200";
    unsigned char records[64];
    EXPECT_EQ(VESMOR_Inventory(handle, records, sizeof records, 0), 11);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    EXPECT_EQ(Query("fake_d2xx_is_open", 1), 0);
}

// A device left with DSR sensitivity, abort on error and null stripping on and transmit-continue
// off: the open sets every one of them, and purges the two queues only (no abort bits).
TEST_F(D2xx, TheOpenSetsTheLineFlagsADeviceWasLeftWithAndPurgesBothQueues) {
    Configure("serial=4211-0001 tags=nxp wrongline=1");
    ASSERT_EQ(UsbPorts(), std::vector<std::string>{"4211-0001"});
    EXPECT_EQ(Query("fake_d2xx_line_flags"), 1 | 4 | 8) << "as the device was left";
    const int32_t handle = VESMOR_OpenPort("4211-0001", 19200, 500);
    ASSERT_GT(handle, 0) << "the reader's answers hold 00 bytes: none may be stripped";
    EXPECT_EQ(Query("fake_d2xx_line_flags"), 2) << "only transmit-continue-on-XOFF on";
    EXPECT_EQ(Query("fake_d2xx_purge_flags"), 0x0C);
    unsigned char records[64];
    EXPECT_EQ(VESMOR_Inventory(handle, records, sizeof records, 0), 11);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
}

TEST_F(D2xx, AReaderPulledOutEndsItsConnectionInsteadOfWaitingOutTheTimeout) {
    Configure("serial=4211-0001 tags=nxp");
    const int32_t handle = VESMOR_OpenPort("4211-0001", 19200, 2000);
    ASSERT_GT(handle, 0);
    fake.Get<void (*)(int)>("fake_d2xx_unplug")(0);
    unsigned char records[64];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VESMOR_Inventory(handle, records, sizeof records, 0), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(VESMOR_IsConnected(handle), 0);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    EXPECT_EQ(Query("fake_d2xx_is_open"), 0) << "the handle was closed";
}

TEST_F(D2xx, DevicesHeldByAnotherProgramOrByThisOneAreNotListed) {
    Configure("serial=4211-0001 tags=nxp; serial=4212-0002 busy=1; serial=4213-0003");
    EXPECT_EQ(UsbPorts(), (std::vector<std::string>{"4211-0001", "4213-0003"}));
    EXPECT_EQ(VESMOR_OpenPort("4212-0002", 19200, 500), -1);
    const int32_t handle = VESMOR_OpenPort("4211-0001", 19200, 500);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(UsbPorts(), std::vector<std::string>{"4213-0003"});
    EXPECT_EQ(VESMOR_OpenPort("4211-0001", 19200, 500), -1) << "open already";
    VESMOR_ClosePort(handle);
}

TEST_F(D2xx, FtdiSerialNumbersComeBeforeHidReadersAndBothAreFilteredByArticle) {
    Configure("serial=4545-0001; serial=FTXYZ123; serial=3311-0002");
    SetEnv("VESMOR_FAKE_HID", "serial=4215-0001");
    EXPECT_EQ(UsbPorts(), (std::vector<std::string>{"4545-0001", "3311-0002", "4215-0001 HID"}));
}

TEST_F(D2xx, AnFtdiReaderWithoutKernelDriverMissesADriverOnlyWithoutTheLibrary) {
    Configure("");
    sysfs.AddUsbDevice("1-3", 0x0403, 0xE130, "VEK USB Reader");
    sysfs.AddUsbInterface("1-3", 0, "");
    EXPECT_EQ(VESMOR_GetMissingDrivers() & 1, 0) << "the D2XX library drives it";
    SetEnv("VESMOR_FTD2XX_LIB", "/nonexistent/libftd2xx.so");
    EXPECT_EQ(VESMOR_GetMissingDrivers() & 1, 1);
}

}  // namespace
}  // namespace vesmor::test
