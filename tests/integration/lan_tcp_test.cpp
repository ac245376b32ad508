// LAN readers over real TCP connections on loopback addresses: ports, handles, a reader that
// drops the connection in either way, one that vanishes and one that comes back.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "tests/integration/lan_fixture.h"
#include "transports/tcp_socket_thread.h"

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
    // A port that is not a whole number 1..65535 is refused, not cut to its leading digits.
    for (const char* port : {"-5000x", "-0", "-70000"}) {
        EXPECT_EQ(VESMOR_OpenPort((reader->Address() + port).c_str(), 0, kTimeoutMs), -1) << port;
    }
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

TEST(LanTcp, AVanishedReaderIsReportedGoneAfterAFailedReconnectAndLeavesNothingBehind) {
    const int threads = ThreadBaseline();
    const int descriptors = CountEntries("/proc/self/fd");
    SimProcess reader({"--lan", LoopbackAddress(7) + "-0", "--lan-no-config"});
    const int32_t handle = VESMOR_OpenPort(reader.Name().c_str(), 0, kTimeoutMs);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads + 1);
    reader.Kill();
    // The first frame goes to the closed socket (or, if the close has not been seen yet, waits
    // out its timeout); the next one finds the reconnect refused, and that ends its wait at once.
    EXPECT_LT(TimeMs([&] { EXPECT_FALSE(VersionAnswers(handle)); }), kTimeoutMs + 200);
    EXPECT_EQ(VESMOR_IsConnected(handle), 1);
    EXPECT_LT(TimeMs([&] { EXPECT_FALSE(VersionAnswers(handle)); }), kTimeoutMs / 2);
    EXPECT_EQ(VESMOR_IsConnected(handle), 0);
    EXPECT_LT(TimeMs([&] { EXPECT_FALSE(VersionAnswers(handle)); }), kTimeoutMs / 2);
    EXPECT_EQ(VESMOR_IsConnected(handle), 0);
    EXPECT_EQ(VESMOR_GetLastError(handle), 4);
    EXPECT_LT(TimeMs([&] { EXPECT_EQ(VESMOR_ClosePort(handle), 0); }), 100);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors);
}

TEST(LanTcp, AReaderThatComesBackIsReachedAgainWithTheNextFrame) {
    auto reader = LoopbackReader(9, 10001);
    const int32_t handle = VESMOR_OpenPort(reader->Address().c_str(), 0, kTimeoutMs);
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(VersionAnswers(handle));
    reader.reset();
    EXPECT_FALSE(VersionAnswers(handle));
    EXPECT_FALSE(VersionAnswers(handle));
    EXPECT_EQ(VESMOR_IsConnected(handle), 0);
    reader = LoopbackReader(9, 10001);
    EXPECT_TRUE(VersionAnswers(handle));
    EXPECT_EQ(VESMOR_IsConnected(handle), 1);
    EXPECT_EQ(handle, 20001);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
}

TEST(LanTcp, AFrameWhoseCallerHasGivenUpIsNeverSent) {
    // A plain listener stands for the reader, so that every byte that arrives can be seen.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

    CTCPSocketThread connection([](const uint8_t*, size_t) {});
    ASSERT_TRUE(connection.OpenConnection("127.0.0.1-" + std::to_string(ntohs(address.sin_port))));
    const int peer = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    const uint8_t stale[] = {0x11, 0x11};
    const uint8_t current[] = {0x22, 0x22};
    const auto now = CTCPSocketThread::Clock::now();
    connection.QueueSend(stale, sizeof stale, now - std::chrono::milliseconds(1));
    connection.QueueSend(current, sizeof current, now + std::chrono::seconds(5));
    uint8_t received[8] = {};
    timeval limit{1, 0};
    ::setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    EXPECT_EQ(::recv(peer, received, sizeof received, 0), 2);
    EXPECT_EQ(received[0], 0x22);
    connection.StopConnection();
    ::close(peer);
    ::close(listener);
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
