// Figures of the LAN transport: exchanges per second against the same reader behind a
// pseudo-terminal, the time a dropped connection costs, and the CPU an idle connection uses.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "sim/pty_link.h"
#include "tests/integration/lan_fixture.h"

namespace vesmor::test {
namespace {

double ExchangesPerSecond(int32_t handle) {
    unsigned char version[8];
    int count = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::milliseconds(1000);
    while (std::chrono::steady_clock::now() < end) {
        if (VESMOR_GetVersion(handle, version, sizeof version) == 4) {
            ++count;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return count / seconds;
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(LanFigures, TcpAgainstPtyExchangeRates) {
    const auto reader = LoopbackReader(30);
    sim::PtyLink pty(Reader(0));
    const int32_t lan = VESMOR_OpenPort(NameOf(*reader).c_str(), 0, 300);
    const int32_t serial = VESMOR_OpenPort(pty.Path().c_str(), 19200, 300);
    ASSERT_GT(lan, 0);
    ASSERT_GT(serial, 0);
    const double tcpRate = ExchangesPerSecond(lan);
    const double ptyRate = ExchangesPerSecond(serial);
    std::printf("exchanges per second: TCP %.0f, pty %.0f\n", tcpRate, ptyRate);
    EXPECT_GT(tcpRate, 100);
    VESMOR_ClosePort(lan);
    VESMOR_ClosePort(serial);
}

TEST(LanFigures, TimeFromADroppedConnectionToTheNextAnsweredFrame) {
    const auto reader = LoopbackReader(31);
    const int32_t handle = VESMOR_OpenPort(NameOf(*reader).c_str(), 0, 300);
    ASSERT_GT(handle, 0);
    unsigned char version[8];
    for (const sim::PeerClose style : {sim::PeerClose::kReset, sim::PeerClose::kFin}) {
        reader->DropConnections(style);
        const auto dropped = std::chrono::steady_clock::now();
        while (VESMOR_GetVersion(handle, version, sizeof version) != 4) {
            ASSERT_LT(std::chrono::steady_clock::now() - dropped, std::chrono::seconds(3));
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - dropped)
                .count();
        std::printf("drop (%s) to first answered frame: %.1f ms\n",
                    style == sim::PeerClose::kReset ? "reset" : "fin", ms);
        EXPECT_LT(ms, 1000);
    }
    VESMOR_ClosePort(handle);
}

TEST(LanFigures, AnIdleLanConnectionUsesWellUnderOnePercentOfACore) {
    SimProcess reader({"--lan", LoopbackAddress(32) + "-0", "--lan-no-config"});
    const int32_t handle = VESMOR_OpenPort(reader.Name().c_str(), 0, 300);
    ASSERT_GT(handle, 0);
    const double before = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double share = (CpuSeconds() - before) / wall * 100;
    std::printf("CPU share of one core while a LAN port idles %.1f s: %.3f %%\n", wall, share);
    EXPECT_LT(share, 1.0);
    VESMOR_ClosePort(handle);
}

}  // namespace
}  // namespace vesmor::test
