// Figures of the HID transport against the fake hidapi library: reader exchanges per second
// compared with a pseudo-terminal in the same run, and the processor time a call takes while
// it waits for a silent HID reader.

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "tests/integration/sim_fixture.h"
#include "tests/usb/usb_fixture.h"
#include "vesmor.h"

namespace vesmor::test {
namespace {

double ExchangesPerSecond(int32_t handle, int count) {
    unsigned char version[16];
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        if (VESMOR_GetVersion(handle, version, sizeof version) != 4) {
            return 0;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return count / took.count();
}

class HidFigures : public FakeHidTest {
  protected:
    void SetUp() override {
        FakeHidTest::SetUp();
        Configure("serial=4211-0001 tags=nxp");
    }
};

TEST_F(HidFigures, ExchangesPerSecondOverHidAndOverAPseudoTerminal) {
    constexpr int kExchanges = 300;
    const int32_t hid = VESMOR_OpenPort("4211-0001 HID", 19200, 500);
    ASSERT_EQ(hid, 10001);
    const double overHid = ExchangesPerSecond(hid, kExchanges);
    VESMOR_ClosePort(hid);
    sim::PtyLink link(sim::ReaderConfig{});
    const int32_t pty = VESMOR_OpenPort(link.Path().c_str(), 19200, 500);
    ASSERT_GT(pty, 0);
    const double overPty = ExchangesPerSecond(pty, kExchanges);
    VESMOR_ClosePort(pty);
    std::cout << "exchanges per second: HID (fake hidapi) " << overHid << ", pty " << overPty
              << "\n";
    RecordProperty("hid_exchanges_per_second", std::to_string(overHid));
    RecordProperty("pty_exchanges_per_second", std::to_string(overPty));
    // An answer already complete costs no 1 ms poll, and the flush does not wait: an exchange
    // with a reader that answers at once takes microseconds, not the 2 ms of two empty polls.
    EXPECT_GT(overHid, 2000.0);
    EXPECT_GT(overPty, 50.0);
}

TEST_F(HidFigures, WaitingHalfASecondForASilentHidReaderTakesFarLessThanFivePercentOfACore) {
    const int32_t handle = VESMOR_OpenPort("4211-0001 HID", 19200, 500);
    ASSERT_EQ(handle, 10001);
    fake.Get<void (*)(int, int)>("fake_hid_set_silent")(0, 1);
    unsigned char version[16];
    const double cpuBefore = ProcessCpuMs();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VESMOR_GetVersion(handle, version, sizeof version), -1);
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    const double cpuPercent = 100.0 * (ProcessCpuMs() - cpuBefore) / wall.count();
    std::cout << "silent HID reader: waited " << wall.count() << " ms, CPU " << cpuPercent
              << " % of one core\n";
    RecordProperty("cpu_percent", std::to_string(cpuPercent));
    EXPECT_GE(wall.count(), 500.0);
    EXPECT_LT(cpuPercent, 5.0);
    EXPECT_EQ(VESMOR_GetLastError(handle), 4) << "no answer: time-out";
    VESMOR_ClosePort(handle);
}

}  // namespace
}  // namespace vesmor::test
