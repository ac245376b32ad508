// The overlapped report I/O of the Windows HID transport over a message-mode named pipe: the
// same reads, writes, time-outs and cancellations as on a HID device handle, with a peer the
// test drives itself.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "transports/win32/overlapped_reports.h"

namespace vesmor {
namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Both ends of one pipe, opened overlapped.
class PipePair : public ::testing::Test {
  protected:
    void Open(DWORD bufferSize) {
        static int count = 0;
        const std::string name = "\\\\.\\pipe\\vesmor_reports_" +
                                 std::to_string(GetCurrentProcessId()) + "_" +
                                 std::to_string(++count);
        host = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                                bufferSize, bufferSize, 0, nullptr);
        ASSERT_NE(host, INVALID_HANDLE_VALUE);
        device = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
    }
    void CloseHost() {
        CloseHandle(host);
        host = INVALID_HANDLE_VALUE;
    }
    void TearDown() override {
        for (HANDLE h : {host, device}) {
            if (h != INVALID_HANDLE_VALUE) {
                CloseHandle(h);
            }
        }
    }
    HANDLE host = INVALID_HANDLE_VALUE;
    HANDLE device = INVALID_HANDLE_VALUE;
};

TEST_F(PipePair, ReportsArriveWholeAndAnEmptyPipeTimesOut) {
    Open(4096);
    OverlappedReports hostSide(host, 65);
    OverlappedReports deviceSide(device, 65);
    ASSERT_TRUE(hostSide.IsValid() && deviceSide.IsValid());

    const Bytes report{0, 3, 0xA1, 0xA2, 0xA3, 0, 0, 0, 0};
    EXPECT_EQ(hostSide.Write(report.data(), report.size(), 50), 9);
    uint8_t got[65] = {};
    ASSERT_EQ(deviceSide.Read(got, sizeof got, 1000), 9);
    EXPECT_EQ(Bytes(got, got + 9), report);

    const auto start = Clock::now();
    EXPECT_EQ(deviceSide.Read(got, sizeof got, 100), 0) << "nothing was sent";
    const long long waited = MsSince(start);
    EXPECT_GE(waited, 90);
    EXPECT_LE(waited, 300);

    // The read still pending takes the next report; a shorter buffer gets its first bytes.
    const Bytes next{0, 1, 0x55, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(hostSide.Write(next.data(), next.size(), 50), 9);
    EXPECT_EQ(deviceSide.Read(got, 3, 1000), 3);
    EXPECT_EQ(Bytes(got, got + 3), (Bytes{0, 1, 0x55}));
    EXPECT_EQ(deviceSide.Read(got, sizeof got, 0), 0) << "one report, read once";
}

TEST_F(PipePair, AWriteThePeerNeverTakesFailsWithinItsBound) {
    Open(512);
    OverlappedReports deviceSide(device, 65);
    const Bytes report(1024, 0x5A);
    int failed = -1;
    long long slowest = 0;
    for (int i = 0; i < 256 && failed < 0; ++i) {
        const auto start = Clock::now();
        if (deviceSide.Write(report.data(), report.size(), 50) < 0) {
            failed = i;
        }
        slowest = std::max(slowest, MsSince(start));
    }
    EXPECT_GE(failed, 0) << "the pipe's buffer never filled";
    EXPECT_LE(slowest, 300);

    // The reads of the same handle are not cancelled with a write.
    uint8_t got[65];
    EXPECT_EQ(deviceSide.Read(got, sizeof got, 10), 0);
    EXPECT_EQ(deviceSide.Write(report.data(), report.size(), 50), -1);
    EXPECT_EQ(deviceSide.Read(got, sizeof got, 10), 0) << "the read is still pending";
}

TEST_F(PipePair, APeerThatClosesGivesErrorsNotAHang) {
    Open(4096);
    OverlappedReports deviceSide(device, 65);
    uint8_t got[65];
    EXPECT_EQ(deviceSide.Read(got, sizeof got, 10), 0);  // a read now pending
    CloseHost();
    const auto start = Clock::now();
    EXPECT_EQ(deviceSide.Read(got, sizeof got, 2000), -1);
    EXPECT_EQ(deviceSide.Read(got, sizeof got, 2000), -1) << "and a new read fails at once";
    const Bytes report{0, 1, 2};
    EXPECT_EQ(deviceSide.Write(report.data(), report.size(), 50), -1);
    EXPECT_LE(MsSince(start), 500);
}

}  // namespace
}  // namespace vesmor
