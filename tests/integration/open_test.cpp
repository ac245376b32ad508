// Opening and identifying readers of every protocol type through VESMOR_OpenPort.

#include <gtest/gtest.h>

#include <string>

#include "tests/integration/sim_fixture.h"

namespace vesmor::test {
namespace {

const std::vector<uint8_t> kType0Identify = Bytes({0x02, 0x01, 0xF0, 0x00, 0xF1});
const std::vector<uint8_t> kType1Identify = Bytes({0x01, 0xF0, 0x00, 0x64, 0x00});
const std::vector<uint8_t> kType2Identify = Bytes({0x1E, 0x0B, 0x00});
const std::vector<uint8_t> kType3Identify = Bytes({0x1E, 0x60, 0x00});

std::string Version(int32_t handle) {
    unsigned char version[8] = {};
    const int32_t n = VESMOR_GetVersion(handle, version, sizeof version);
    return n < 0 ? "" : std::string(reinterpret_cast<char*>(version), n);
}

struct TypeCase {
    int protocolType;
    int deviceCode;
    std::string version;        // as the library reports it
    std::vector<uint8_t> wire;  // identification frames the reader saw during the open
};

class OpenEachType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(OpenEachType, FindsTheProtocolTypeAndTheDeviceCode) {
    const TypeCase& c = GetParam();
    sim::PtyLink reader(Reader(c.protocolType, c.deviceCode, '9'));
    const int32_t handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 500);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(VESMOR_GetProtocolType(handle), c.protocolType);
    EXPECT_EQ(reader.ReceivedBytes(), c.wire);
    EXPECT_EQ(Version(handle), c.version);
    EXPECT_EQ(VESMOR_GetLastError(handle), 0);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
}

INSTANTIATE_TEST_SUITE_P(
    ProtocolTypes, OpenEachType,
    ::testing::Values(
        TypeCase{0, 0x131, "1319", kType0Identify},
        // A type-1 reader is found on the second pass, after one type-0 attempt in each pass.
        TypeCase{1, 0x454, "4549", Concat({kType0Identify, kType0Identify, kType1Identify})},
        // Type 2 answers 04 05 '1' '5' and then its version to "FV".
        TypeCase{2, 0x171, "1719",
                 Concat({kType0Identify, kType0Identify, kType1Identify, kType2Identify,
                         Bytes({0x1E, 0x0B, 0x02, 'F', 'V'})})},
        // Type 3's nine-byte answer: bytes 5..8 kept, the code becomes 117.
        TypeCase{3, 0x435, "1179",
                 Concat({kType0Identify, kType0Identify, kType1Identify, kType2Identify,
                         kType3Identify})}));

TEST(OpenPort, Type2ReaderWithAnUnusableVersionAnswerIsNamed1715) {
    sim::ReaderConfig config = Reader(2);
    config.fvAnswer = "V 2";  // shorter than 4 bytes and with a blank
    sim::PtyLink reader(config);
    const int32_t handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 200);
    ASSERT_GT(handle, 0);
    char name[30] = {};
    VESMOR_GetDeviceName(handle, name, sizeof name);
    EXPECT_EQ(std::string(name), "VDT-70 PD");  // code 0x171
    VESMOR_ClosePort(handle);
}

TEST(OpenPort, ReaderAnsweringOnlyFromTheSecondPassStillOpens) {
    sim::PtyLink reader(Reader(0));
    sim::Faults faults;
    faults.answerFromRequest = 2;
    reader.SetFaults(faults);
    const int32_t handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 200);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(reader.ReceivedBytes(), Concat({kType0Identify, kType0Identify}));
    VESMOR_ClosePort(handle);
}

TEST(OpenPort, SilentPortGivesMinus11AfterFiveAttemptsOfAtMost300Ms) {
    sim::PtyLink reader(Reader(0));
    sim::Faults faults;
    faults.silent = true;
    reader.SetFaults(faults);
    int32_t handle = 0;
    const long long ms =
        TimeMs([&] { handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 1000); });
    EXPECT_EQ(handle, -11);
    EXPECT_EQ(VESMOR_GetLastError(handle), 3);
    // Five identification attempts of one header phase each, capped at 300 ms.
    EXPECT_GE(ms, 5 * 300);
    EXPECT_LT(ms, 5 * 300 + 400);
    EXPECT_EQ(reader.ReceivedBytes(), Concat({kType0Identify, kType0Identify, kType1Identify,
                                              kType2Identify, kType3Identify}));
}

TEST(OpenPort, ShortTimeoutIsKeptForTheIdentification) {
    sim::PtyLink reader(Reader(0));
    sim::Faults faults;
    faults.silent = true;
    reader.SetFaults(faults);
    const long long ms =
        TimeMs([&] { EXPECT_EQ(VESMOR_OpenPort(reader.Path().c_str(), 0, 100), -11); });
    EXPECT_GE(ms, 5 * 100);
    EXPECT_LT(ms, 5 * 100 + 300);
}

TEST(OpenPort, RequestedTimeoutAppliesAfterTheIdentification) {
    sim::PtyLink reader(Reader(0));
    const int32_t handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 1000);
    ASSERT_GT(handle, 0);
    sim::Faults faults;
    faults.silent = true;
    reader.SetFaults(faults);
    const long long ms = TimeMs([&] { EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), -1); });
    EXPECT_EQ(VESMOR_GetLastError(handle), 4);
    EXPECT_GE(ms, 1000);
    EXPECT_LT(ms, 1300);
    VESMOR_ClosePort(handle);
}

TEST(OpenPort, BadArgumentsAndMissingDevices) {
    EXPECT_EQ(VESMOR_OpenPort("/dev/no-such-reader", 19200, 500), -1);
    EXPECT_EQ(VESMOR_OpenPort(nullptr, 19200, 500), -1);
    EXPECT_EQ(VESMOR_OpenPort("/dev/no-such-reader", 19200, -1), -2);
    EXPECT_EQ(VESMOR_OpenPort("VEK-PN4207#1 BTW", 19200, 500), -1);
    EXPECT_EQ(VESMOR_OpenPort("/etc/hostname", 19200, 500), -1);
}

TEST(OpenPort, BusAddressComesFromTheNameSuffix) {
    sim::PtyLink reader(Reader(0, 0x125, '7', 5));
    const std::string name = reader.Path() + ":5";
    const int32_t handle = VESMOR_OpenPort(name.c_str(), 19200, 200);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(reader.ReceivedBytes(), Bytes({0x02, 0x05, 0xF0, 0x00, 0xF5}));
    VESMOR_ClosePort(handle);
    // A trailing ":" stays in the name, so no such device exists.
    EXPECT_EQ(VESMOR_OpenPort((reader.Path() + ":").c_str(), 19200, 200), -1);
}

TEST(OpenPort, SerialIdsAreTheSmallestFreeNumbers) {
    sim::PtyLink a(Reader(0)), b(Reader(0)), c(Reader(0));
    const int32_t first = VESMOR_OpenPort(a.Path().c_str(), 19200, 200);
    const int32_t second = VESMOR_OpenPort(b.Path().c_str(), 19200, 200);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(VESMOR_ClosePort(first), 0);
    const int32_t third = VESMOR_OpenPort(c.Path().c_str(), 19200, 200);
    EXPECT_EQ(third, first);
    EXPECT_EQ(VESMOR_OpenPort(b.Path().c_str(), 19200, 200), -1);  // already open
    VESMOR_ClosePort(second);
    VESMOR_ClosePort(third);
}

}  // namespace
}  // namespace vesmor::test
