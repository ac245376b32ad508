// The Windows HID transport under Wine, which has hid.dll and SetupAPI but no HID reader: the
// lists hold no reader, the library's HID calls fail as they do without one, and the report
// path of an opened handle (here a named pipe that stands in for a device) pads and delivers
// whole reports.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "library/include/vesmor.h"
#include "transports/hid_device.h"
#include "transports/hidapi_table.h"

namespace vesmor {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(HidUnderWine, NoReaderIsListedOrOpened) {
    HidApi& api = HidApi::Instance();
    ASSERT_TRUE(api.Available()) << "Wine brings hid.dll and SetupAPI";
    hid_device_info* const all = api.Enumerate(0, 0);
    for (hid_device_info* info = all; info != nullptr; info = info->next) {
        EXPECT_NE(info->path, nullptr);
        EXPECT_FALSE(IsHidReader(info->vendor_id, info->product_id));
    }
    api.FreeEnumeration(all);
    EXPECT_EQ(api.Enumerate(0x16C0, 0x2913), nullptr);

    std::vector<std::string> names;
    ListHidReaders(names);
    EXPECT_TRUE(names.empty());
    char buffer[2500];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_GE(VESMOR_GetHidPorts(buffer, sizeof buffer), 1);
    EXPECT_EQ(buffer[0], '\0') << "an empty list";

    EXPECT_EQ(VESMOR_OpenPort("4211-0001 HID", 19200, 100), -1);
    CHidDevice device;
    EXPECT_FALSE(device.OpenHidByName("4211-0001 HID"));
    EXPECT_EQ(device.ConnectionNumber(), 0);
    uint8_t byte = 0;
    EXPECT_EQ(device.ReadHid(&byte, 1), 0u);
    EXPECT_FALSE(device.WriteHid(&byte, 1));
}

// Without hid.dll, or with a library that lacks its functions, there is no HID at all.
TEST(HidUnderWine, AMissingLibraryOrFunctionLeavesHidUnavailable) {
    HidApi& api = HidApi::Instance();
    for (const char* library : {"vesmor-no-such-hid.dll", "kernel32.dll"}) {
        api.Unload();
        ASSERT_EQ(_putenv_s("VESMOR_HID_LIB", library), 0);
        EXPECT_FALSE(api.Available()) << library;
        std::vector<std::string> names;
        ListHidReaders(names);
        EXPECT_TRUE(names.empty());
        EXPECT_EQ(api.Enumerate(0, 0), nullptr) << library;
        EXPECT_EQ(VESMOR_OpenPort("4211-0001 HID", 19200, 100), -1);
    }
    api.Unload();
    ASSERT_EQ(_putenv_s("VESMOR_HID_LIB", ""), 0);
    EXPECT_TRUE(api.Available()) << "the system's hid.dll again";
}

TEST(HidUnderWine, AnOpenedHandleTakesPaddedReportsAndGivesThemWithTheirId) {
    const std::string name = "\\\\.\\pipe\\vesmor_hid_" + std::to_string(GetCurrentProcessId());
    const HANDLE peer = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                                         4096, 4096, 0, nullptr);
    ASSERT_NE(peer, INVALID_HANDLE_VALUE);
    HidApi& api = HidApi::Instance();
    ASSERT_TRUE(api.Available());
    hid_device* const device = api.OpenPath(name.c_str());
    ASSERT_NE(device, nullptr);

    // A pipe has no HID capabilities: the lengths stay 9 and 9, report IDs in front.
    const auto lengths = api.ReportLengths(device, name);
    ASSERT_TRUE(lengths.has_value());
    EXPECT_EQ(lengths->input, 9);
    EXPECT_EQ(lengths->output, 9);
    EXPECT_TRUE(lengths->numberedReports);
    wchar_t serial[25];
    EXPECT_EQ(api.GetSerialNumberString(device, serial, 25), -1);

    const Bytes start{0, 0x82, 0x10, 0};
    EXPECT_EQ(api.RawWrite()(device, start.data(), start.size()), 9);
    uint8_t got[16] = {};
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(peer, got, sizeof got, &n, nullptr));
    EXPECT_EQ(Bytes(got, got + n), (Bytes{0, 0x82, 0x10, 0, 0, 0, 0, 0, 0}));

    EXPECT_EQ(api.ReadTimeout(device, got, 9, 0), 0);
    const Bytes input{0, 2, 0x11, 0x22, 0, 0, 0, 0, 0};
    ASSERT_TRUE(WriteFile(peer, input.data(), 9, &n, nullptr));
    EXPECT_EQ(api.ReadTimeout(device, got, 9, 1000), 9);
    EXPECT_EQ(Bytes(got, got + 9), input);

    DisconnectNamedPipe(peer);
    EXPECT_EQ(api.ReadTimeout(device, got, 9, 1000), -1) << "the device is gone";
    api.RawClose()(device);
    CloseHandle(peer);
}

}  // namespace
}  // namespace vesmor
