// Reader commands on an open port: version, names, options, errors and faults of the line.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/integration/sim_fixture.h"

namespace vesmor::test {
namespace {

class OpenReader : public ::testing::Test {
  protected:
    explicit OpenReader(int protocolType = 0) : reader(Reader(protocolType, 0x125, 'B')) {}
    void SetUp() override {
        handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 200);
        ASSERT_GT(handle, 0);
        reader.ClearLog();
    }
    void TearDown() override { VESMOR_ClosePort(handle); }
    void Faults(const sim::Faults& faults) { reader.SetFaults(faults); }

    sim::PtyLink reader;
    int32_t handle = 0;
};

TEST_F(OpenReader, GetVersionAsksTheReaderEveryTime) {
    unsigned char version[4];
    EXPECT_EQ(VESMOR_GetVersion(handle, version, 4), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(version), 4), "125B");
    EXPECT_EQ(VESMOR_GetVersion(handle, version, 4), 4);
    EXPECT_EQ(reader.Requests().size(), 2u);
    EXPECT_EQ(VESMOR_GetVersion(handle, version, 3), -1);
    EXPECT_EQ(VESMOR_GetLastError(handle), VESMOR_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(VESMOR_GetVersion(handle, nullptr, 4), -1);
}

TEST_F(OpenReader, ModelNameAndProgrammerFlag) {
    char name[30];
    const int32_t length = VESMOR_GetDeviceName(handle, name, sizeof name);
    EXPECT_STREQ(name, "VMR-20 PB");
    EXPECT_EQ(length, 9);
    EXPECT_EQ(VESMOR_IsProgrammer(handle), 1);
    EXPECT_EQ(VESMOR_IsUSB(handle), 0);
}

TEST(DeviceName, UnknownHandleGivesTheNameOfCodeZeroAndShortBuffersAreCut) {
    char name[5];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(VESMOR_GetDeviceName(4711, name, sizeof name), 7);
    EXPECT_EQ(std::string(name, 5), std::string("QX-#\0", 5));
    EXPECT_EQ(VESMOR_GetDeviceName(4711, nullptr, 0), 7);
    EXPECT_EQ(VESMOR_GetDeviceName(4711, name, -1), -1);
}

TEST(ReaderOnly, EvenDeviceCodeIsNoProgrammer) {
    sim::PtyLink reader(Reader(0, 0x144));
    const int32_t handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 200);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(VESMOR_IsProgrammer(handle), 0);
    VESMOR_ClosePort(handle);
}

TEST_F(OpenReader, ReaderOptionRangeIgnoresBit7) {
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0x83), 0);
    ASSERT_EQ(reader.Requests().size(), 1u);
    EXPECT_EQ(reader.Requests()[0].frame, Bytes({0x02, 0x01, 0xF4, 0x01, 0x83, 0x77}));
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0x04), -1);
    EXPECT_EQ(VESMOR_GetLastError(handle), VESMOR_ERR_OPTION_RANGE);
    EXPECT_EQ(reader.Requests().size(), 1u);  // nothing sent for a refused value
}

TEST_F(OpenReader, UsbModeAndResetSendTheirBytes) {
    EXPECT_EQ(VESMOR_SetUsbMode(handle, 1), 0);
    EXPECT_EQ(VESMOR_ResetDevice(handle, 0, 0), 0);
    ASSERT_EQ(reader.Requests().size(), 2u);
    EXPECT_EQ(reader.Requests()[0].frame, Bytes({0x02, 0x01, 0xFF, 0x01, 0x01, 0xFE}));
    EXPECT_EQ(reader.Requests()[1].frame, Bytes({0x02, 0x01, 0xF6, 0x02, 0x00, 0x00, 0xF5}));
}

TEST_F(OpenReader, ReaderStatusBecomesTheLastError) {
    sim::Faults faults;
    faults.statusFor[0xF4] = 21;
    Faults(faults);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), -1);
    EXPECT_EQ(VESMOR_GetLastError(handle), 21);
    faults.statusFor[0xF4] = 3;
    Faults(faults);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), -1);
    EXPECT_EQ(VESMOR_GetLastError(handle), 23);
}

TEST_F(OpenReader, LineFaults) {
    sim::Faults faults;
    faults.strayBytes = Bytes({0x55, 0xAA, 0x00});
    Faults(faults);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), 0);

    faults = {};
    faults.badChecksum = true;
    Faults(faults);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), -1);
    EXPECT_EQ(VESMOR_GetLastError(handle), VESMOR_ERR_CHECKSUM);

    // A late duplicate lands between two exchanges and is flushed by the next command.
    faults = {};
    faults.duplicateAfterMs = 10;
    Faults(faults);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Faults({});
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));

    // A slow answer within the 200 ms timeout is accepted, a slower one is a timeout.
    faults = {};
    faults.delayMs = 150;
    Faults(faults);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), 0);
    faults.delayMs = 260;  // the answer comes after the header phase has given up

    Faults(faults);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), -1);
    EXPECT_EQ(VESMOR_GetLastError(handle), VESMOR_ERR_TIMEOUT);
    // The port stays usable; the late answer is flushed by the next command.
    Faults({});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), 0);
    EXPECT_EQ(VESMOR_GetLastError(handle), 0);
}

TEST(UnknownHandle, EveryFunctionRefusesIt) {
    const int32_t h = 999;
    unsigned char bytes[16];
    int32_t count = 0;
    EXPECT_EQ(VESMOR_ClosePort(h), -1);
    EXPECT_EQ(VESMOR_GetVersion(h, bytes, 16), -1);
    EXPECT_EQ(VESMOR_GetLastError(h), VESMOR_ERR_UNKNOWN_HANDLE);
    EXPECT_EQ(VESMOR_GetLastError(-11), VESMOR_ERR_UNKNOWN_HANDLE);
    EXPECT_EQ(VESMOR_IsProgrammer(h), -1);
    EXPECT_EQ(VESMOR_IsUSB(h), -1);
    EXPECT_EQ(VESMOR_GetProtocolType(h), -1);
    EXPECT_EQ(VESMOR_SetReaderOption(h, 0), -1);
    EXPECT_EQ(VESMOR_SetUsbMode(h, 1), -1);
    EXPECT_EQ(VESMOR_ResetDevice(h, 0, 0), -1);
    EXPECT_EQ(VESMOR_Inventory(h, bytes, 16, 0), -1);
    EXPECT_EQ(VESMOR_ReadBlock(h, 0, bytes, 16, nullptr, 0, 0), -1);
    EXPECT_EQ(VESMOR_WriteBlock(h, 0, bytes, 4, nullptr, 0, 0), -1);
    EXPECT_EQ(VESMOR_GetTagInfo(h, nullptr, 0, &count, &count, &count, 0), -1);
}

TEST(ListFunctions, RefuseNullBuffersAndNegativeSizes) {
    char buffer[8];
    EXPECT_EQ(VESMOR_GetComPorts(nullptr, 8), -1);
    EXPECT_EQ(VESMOR_GetHidPorts(buffer, -1), -1);
    EXPECT_EQ(VESMOR_GetBluetoothPorts(buffer, 1), 1);
    EXPECT_EQ(buffer[0], '\0');
}

std::vector<std::string> g_dumps;
int g_pumps = 0;

TEST_F(OpenReader, HooksSeeFramesAndWaits) {
    g_dumps.clear();
    g_pumps = 0;
    VESMOR_SetTraceHook([](intptr_t, const char* text) { g_dumps.emplace_back(text); });
    VESMOR_SetWaitHooks(
        nullptr, [](void*) { ++g_pumps; }, nullptr, nullptr);
    sim::PtyLink second(Reader(0));
    const int32_t traced = VESMOR_OpenPort(second.Path().c_str(), 19200, 200);
    ASSERT_GT(traced, 0);
    sim::Faults slow;
    slow.delayMs = 20;  // long enough for the wait to pump
    second.SetFaults(slow);
    EXPECT_TRUE(g_dumps.empty());  // the hook is given to the port once it is open
    EXPECT_EQ(VESMOR_SetReaderOption(traced, 0), 0);
    VESMOR_SetTraceHook(nullptr);
    VESMOR_SetWaitHooks(nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(g_dumps.size(), 2u);
    EXPECT_EQ(g_dumps[0], ">(00000002) 02 01 f4 01 00 f4 \r\n");
    EXPECT_EQ(g_dumps[1], "<(00000002) 02 01 00 00 01 \r\n");
    EXPECT_GT(g_pumps, 0);
    VESMOR_ClosePort(traced);
}

}  // namespace
}  // namespace vesmor::test
