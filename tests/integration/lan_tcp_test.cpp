// LAN readers over real TCP connections on loopback addresses: ports, handles, a reader that
// drops the connection in either way, and one that vanishes.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/integration/lan_fixture.h"

namespace vesmor::test {
namespace {

constexpr int32_t kTimeoutMs = 300;

bool VersionAnswers(int32_t handle) {
    unsigned char version[8];
    return VESMOR_GetVersion(handle, version, sizeof version) == 4;
}

TEST(LanTcp, AnAddressWithoutPortConnectsToPort10001) {
    const auto reader = LoopbackReader(1, 10001);
    const int32_t handle = VESMOR_OpenPort(reader->Address().c_str(), 0, kTimeoutMs);
    ASSERT_EQ(handle, 20001);
    EXPECT_TRUE(VersionAnswers(handle));
    EXPECT_EQ(VESMOR_IsUSB(handle), 0);
    EXPECT_EQ(VESMOR_IsProgrammer(handle), 1);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    EXPECT_EQ(reader->PeerAddresses().size(), 1u);
}

TEST(LanTcp, AnAddressWithDashAndPortConnectsToThatPort) {
    const auto reader = LoopbackReader(2, 5000);
    const int32_t handle = VESMOR_OpenPort((reader->Address() + "-5000").c_str(), 0, kTimeoutMs);
    ASSERT_EQ(handle, 20001);
    EXPECT_TRUE(VersionAnswers(handle));
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    // Nobody listens on the default port of that address.
    EXPECT_EQ(VESMOR_OpenPort(reader->Address().c_str(), 0, kTimeoutMs), -1);
}

TEST(LanTcp, HandlesAreTheSmallestFreeConnectionNumbers) {
    const auto first = LoopbackReader(3);
    const auto second = LoopbackReader(4);
    const int32_t a = VESMOR_OpenPort(NameOf(*first).c_str(), 0, kTimeoutMs);
    const int32_t b = VESMOR_OpenPort(NameOf(*second).c_str(), 0, kTimeoutMs);
    EXPECT_EQ(a, 20001);
    EXPECT_EQ(b, 20002);
    EXPECT_EQ(VESMOR_ClosePort(a), 0);
    const int32_t c = VESMOR_OpenPort(NameOf(*first).c_str(), 0, kTimeoutMs);
    EXPECT_EQ(c, 20001);
    EXPECT_TRUE(VersionAnswers(b));
    EXPECT_TRUE(VersionAnswers(c));
    EXPECT_EQ(VESMOR_ClosePort(b), 0);
    EXPECT_EQ(VESMOR_ClosePort(c), 0);
    EXPECT_EQ(VESMOR_ClosePort(c), -1);
}

TEST(LanTcp, APeerCloseSeenAsReceiveZeroLosesTheNextFrameAndTheOneAfterReconnects) {
    // Identification is the first answer, the version request the second: then the reader
    // closes the connection in order.
    const auto reader = LoopbackReader(5, 0, 2, sim::PeerClose::kFin);
    const int32_t handle = VESMOR_OpenPort(NameOf(*reader).c_str(), 0, kTimeoutMs);
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(VersionAnswers(handle));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(VersionAnswers(handle));
    EXPECT_EQ(VESMOR_GetLastError(handle), 4);
    EXPECT_TRUE(VersionAnswers(handle));
    EXPECT_EQ(reader->PeerAddresses().size(), 2u);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
}

TEST(LanTcp, APeerCloseSeenAsCloseNotificationReconnectsWithTheNextFrame) {
    const auto reader = LoopbackReader(6, 0, 2, sim::PeerClose::kReset);
    const int32_t handle = VESMOR_OpenPort(NameOf(*reader).c_str(), 0, kTimeoutMs);
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(VersionAnswers(handle));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(VersionAnswers(handle));
    EXPECT_EQ(reader->PeerAddresses().size(), 2u);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
}

// Threads of this process once one thread has come and gone: ThreadSanitizer starts a thread
// of its own with the first one, which would otherwise count as left behind.
int ThreadBaseline() {
    std::thread([] {}).join();
    return CountEntries("/proc/self/task");
}

TEST(LanTcp, AVanishedReaderFailsWithinTheTimeoutAndLeavesNothingBehind) {
    const int threads = ThreadBaseline();
    const int descriptors = CountEntries("/proc/self/fd");
    SimProcess reader({"--lan", LoopbackAddress(7) + "-0", "--lan-no-config"});
    const int32_t handle = VESMOR_OpenPort(reader.Name().c_str(), 0, kTimeoutMs);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads + 1);
    reader.Kill();
    for (int i = 0; i < 3; ++i) {
        bool answered = true;
        const long long ms = TimeMs([&] { answered = VersionAnswers(handle); });
        EXPECT_FALSE(answered);
        EXPECT_LT(ms, kTimeoutMs * 3 + 200);
    }
    EXPECT_EQ(VESMOR_IsConnected(handle), 1);  // the connection thread still tries
    EXPECT_LT(TimeMs([&] { EXPECT_EQ(VESMOR_ClosePort(handle), 0); }), 100);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors);
}

TEST(LanTcp, AnOpenWithoutReaderFailsAndRunsTheWaitHooks) {
    static int pumps = 0;
    static int begins = 0;
    VESMOR_SetWaitHooks([](void*) { ++begins; }, [](void*) { ++pumps; }, nullptr, nullptr);
    const int threads = ThreadBaseline();
    // Port 1 of a loopback address: refused at once.
    EXPECT_EQ(VESMOR_OpenPort((LoopbackAddress(8) + "-1").c_str(), 0, kTimeoutMs), -1);
    VESMOR_SetWaitHooks(nullptr, nullptr, nullptr, nullptr);
    EXPECT_GE(begins, 1);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(VESMOR_GetLastError(-1), 3);
}

}  // namespace
}  // namespace vesmor::test
