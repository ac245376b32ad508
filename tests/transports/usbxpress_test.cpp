// The USBXpress table: without the library every call fails and the dongle list is empty, with
// the diagnostics on the debug channel; with the fake library the dongles are listed.

#include <gtest/gtest.h>

#include "tests/fakes/fake_siusbxp_control.h"
#include "tests/trace/trace_listener.h"
#include "transports/debug_output.h"
#include "transports/usbxpress.h"
#include "vesmor.h"

namespace vesmor {
namespace {

// Collects what the debug channel prints while it lives.
class DebugCapture {
  public:
    DebugCapture() {
        ForgetDebugOutput();
        ::setenv("VESMOR_DEBUG", "1", 1);
        ::testing::internal::CaptureStderr();
    }
    std::string Take() {
        ::unsetenv("VESMOR_DEBUG");
        return ::testing::internal::GetCapturedStderr();
    }
};

TEST(UsbXpressMissing, GivesAnEmptyListFailedCallsAndSaysWhy) {
    ::setenv("VESMOR_SIUSBXP_LIB", "/nonexistent/libSiUSBXp.so", 1);
    DebugCapture debug;
    CUsbXpress usbXpress;
    std::vector<std::string> list;
    ListBluetoothDongles(usbXpress, list);
    uint32_t count = 7;
    SiHandle handle = nullptr;
    EXPECT_EQ(usbXpress.GetNumDevices(&count), 1);
    EXPECT_EQ(usbXpress.Open(0, &handle), 1);
    EXPECT_EQ(usbXpress.SetBaudRate(nullptr, 921600), 1);
    EXPECT_EQ(usbXpress.CheckRXQueue(nullptr, &count, &count), 1);
    const std::string said = debug.Take();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(count, 7u);
    // Every loading wrapper tried again (the list, GetNumDevices and Open), and the reason was
    // said once, with this platform's file name.
    EXPECT_EQ(said, "Fehler: Kann libSiUSBXp.so nicht laden\n");
    ::unsetenv("VESMOR_SIUSBXP_LIB");
}

TEST(UsbXpressMissing, TheDiagnosticsReachNeitherTheTraceViewerNorStderrWithoutVesmorDebug) {
    ::setenv("VESMOR_SIUSBXP_LIB", "/nonexistent/libSiUSBXp.so", 1);
    ForgetDebugOutput();
    test::TraceChannelScope channel;
    test::TraceListener viewer(channel.Name());
    ASSERT_TRUE(viewer.Bound());
    ::unsetenv("VESMOR_DEBUG");
    ::testing::internal::CaptureStderr();
    CUsbXpress usbXpress;
    std::vector<std::string> list;
    ListBluetoothDongles(usbXpress, list);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(TraceSend("marker\n"));
    ASSERT_TRUE(viewer.WaitForTexts(1, std::chrono::seconds(5)));
    EXPECT_EQ(viewer.Received().size(), 1u) << DecodeTracePieces(viewer.Received().front());
    ::unsetenv("VESMOR_SIUSBXP_LIB");
}

TEST(UsbXpressMissing, PublicListIsEmptyAndADongleNameDoesNotOpen) {
    ::setenv("VESMOR_SIUSBXP_LIB", "/nonexistent/libSiUSBXp.so", 1);
    char buffer[64] = {'x', 'x'};
    EXPECT_EQ(VESMOR_GetBluetoothPorts(buffer, sizeof buffer), 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(VESMOR_OpenPort("VEK-PN4207#00042 BT", 19200, 100), -1);
    ::unsetenv("VESMOR_SIUSBXP_LIB");
}

TEST(UsbXpressMissingFunctions, AreNamedOneByOneInTableOrder) {
    // A library that is there but holds none of the functions.
    ::setenv("VESMOR_SIUSBXP_LIB", "libm.so.6", 1);
    DebugCapture debug;
    CUsbXpress usbXpress;
    uint32_t count = 0;
    EXPECT_EQ(usbXpress.GetNumDevices(&count), 1);
    const std::string said = debug.Take();
    ::unsetenv("VESMOR_SIUSBXP_LIB");
    std::string expected;
    for (const char* name : {"SI_GetNumDevices",
                             "SI_GetProductString",
                             "SI_Open",
                             "SI_Close",
                             "SI_Read",
                             "SI_Write",
                             "SI_DeviceIOControl",
                             "SI_FlushBuffers",
                             "SI_SetTimeouts",
                             "SI_GetTimeouts",
                             "SI_CheckRXQueue",
                             "SI_SetBaudRate",
                             "SI_SetBaudDivisor",
                             "SI_SetLineControl",
                             "SI_SetFlowControl",
                             "SI_GetModemStatus",
                             "SI_SetBreak",
                             "SI_ReadLatch",
                             "SI_WriteLatch",
                             "SI_GetPartNumber",
                             "SI_GetDLLVersion",
                             "SI_GetDriverVersion"}) {
        expected += std::string("Fehler: Kann ") + name + " nicht initialisieren\n";
    }
    EXPECT_EQ(said, expected);
}

TEST(UsbXpressPresent, ListsOnlyTheMakersDonglesBySerialNumber) {
    test::FakeSiUsbXp fake("VEK-PN4207#00042;CP2102-0001;vek-pn4207#00043;VEK-PN4207#00044");
    CUsbXpress usbXpress;
    std::vector<std::string> list;
    ListBluetoothDongles(usbXpress, list);
    EXPECT_EQ(list, (std::vector<std::string>{"VEK-PN4207#00042 BT", "VEK-PN4207#00044 BT"}));

    char buffer[64];
    ASSERT_EQ(VESMOR_GetBluetoothPorts(buffer, sizeof buffer), 41);
    EXPECT_EQ(std::string(buffer, 40),
              std::string("VEK-PN4207#00042 BT\0VEK-PN4207#00044 BT\0", 40));
}

TEST(UsbXpressPresent, ALibraryThatFailedIsLoadedOnTheNextCall) {
    ::setenv("VESMOR_SIUSBXP_LIB", "/nonexistent/libSiUSBXp.so", 1);
    CUsbXpress usbXpress;
    uint32_t count = 0;
    EXPECT_EQ(usbXpress.GetNumDevices(&count), 1);
    test::FakeSiUsbXp fake("VEK-PN4207#00042");
    EXPECT_EQ(usbXpress.GetNumDevices(&count), 0);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(usbXpress.SerialNumber(0), "VEK-PN4207#00042");
}

}  // namespace
}  // namespace vesmor
