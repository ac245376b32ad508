// LAN discovery and configuration with real broadcasts, inside two private network namespaces:
// the simulated readers in one, the library in the other.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/lan_server.h"
#include "tests/transports/lan_netns.h"
#include "vesmor.h"

namespace vesmor::test {
namespace {

using sim::Bytes;

std::vector<std::string> SplitList(const char* buffer, int32_t length) {
    std::vector<std::string> names;
    for (int32_t i = 0; i + 1 < length; i += static_cast<int32_t>(names.back().size()) + 1) {
        names.emplace_back(buffer + i);
    }
    return names;
}

sim::LanServer::Options Device(const std::string& address) {
    sim::LanServer::Options options;
    options.device.address = address;
    options.device.gateway = "10.77.1.254";
    return options;
}

class LanNetwork : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { net_ = new LanNamespaces(); }
    static void TearDownTestSuite() {
        delete net_;
        net_ = nullptr;
    }
    void SetUp() override {
        if (!net_->Available()) {
            GTEST_SKIP() << "private network namespaces cannot be made here (needs root and "
                            "ip netns); LAN discovery is not tested";
        }
    }
    void TearDown() override {
        if (net_->Available()) {
            net_->InReaders([&] { readers_.clear(); });
        }
    }

    sim::LanServer& Start(const sim::LanServer::Options& options) {
        net_->InReaders([&] {
            sim::ReaderConfig reader;
            readers_.push_back(std::make_unique<sim::LanServer>(reader, options));
        });
        return *readers_.back();
    }
    void InLibrary(const std::function<void()>& body) { net_->InLibrary(body); }

    static LanNamespaces* net_;
    std::vector<std::unique_ptr<sim::LanServer>> readers_;
};

LanNamespaces* LanNetwork::net_ = nullptr;

bool Contains(const std::vector<Bytes>& requests, const Bytes& wanted) {
    for (const Bytes& r : requests) {
        if (r == wanted) {
            return true;
        }
    }
    return false;
}

const Bytes* Starting(const std::vector<Bytes>& requests, const Bytes& head) {
    for (const Bytes& r : requests) {
        if (r.size() >= head.size() && std::equal(head.begin(), head.end(), r.begin())) {
            return &r;
        }
    }
    return nullptr;
}

TEST_F(LanNetwork, BothSearchVariantsListFixedDhcpAndForeignDevicesAsTheyShould) {
    Start(Device("10.77.1.5"));
    auto dhcp = Device("10.77.1.6");
    dhcp.device.dhcp = true;
    dhcp.device.dhcpName = "LANDHCP01";
    Start(dhcp);
    auto foreign = Device("10.77.1.7");
    foreign.device.foreign = true;
    foreign.device.product = "XPORT";
    Start(foreign);
    Start(Device("10.77.2.5"));
    InLibrary([] {
        char buffer[512];
        int32_t n = VESMOR_FindLanDevices(buffer, sizeof buffer);
        EXPECT_EQ(SplitList(buffer, n),
                  (std::vector<std::string>{"10.77.1.5-10001", "10.77.1.7-10001", "10.77.2.5-10001",
                                            "[LANDHCP01]10.77.1.6-10001"}));
        n = VESMOR_FindLanDevicesEx(buffer, sizeof buffer);
        EXPECT_EQ(SplitList(buffer, n),
                  (std::vector<std::string>{"10.77.1.5-10001", "10.77.2.5-10001", "[LANDHCP01]"}));
        EXPECT_EQ(VESMOR_FindLanDevices(buffer, 1), 1);
        EXPECT_EQ(VESMOR_FindLanDevices(nullptr, 10), -1);
    });
}

TEST_F(LanNetwork, TheConnectionIsBoundToTheAdapterWhoseSubnetHoldsTheReader) {
    sim::LanServer& first = Start(Device("10.77.1.5"));
    sim::LanServer& second = Start(Device("10.77.2.5"));
    InLibrary([] {
        for (const char* name : {"10.77.2.5", "10.77.1.5-10001"}) {
            const int32_t handle = VESMOR_OpenPort(name, 0, 300);
            EXPECT_EQ(handle, 20001) << name;
            EXPECT_EQ(VESMOR_ClosePort(handle), 0);
        }
    });
    EXPECT_EQ(second.PeerAddresses(), std::vector<std::string>{"10.77.2.1"});
    EXPECT_EQ(first.PeerAddresses(), std::vector<std::string>{"10.77.1.1"});
}

TEST_F(LanNetwork, ADhcpNameIsResolvedByBroadcastAndOpensTheReader) {
    auto dhcp = Device("10.77.1.6");
    dhcp.device.dhcp = true;
    dhcp.device.dhcpName = "LANDHCP01";
    sim::LanServer& reader = Start(dhcp);
    InLibrary([] {
        const int32_t handle = VESMOR_OpenPort("[LANDHCP01]", 0, 300);
        EXPECT_GT(handle, 0);
        EXPECT_EQ(VESMOR_ClosePort(handle), 0);
        EXPECT_EQ(VESMOR_OpenPort("[NOSUCHNAME]", 0, 300), -1);
        EXPECT_EQ(VESMOR_TestLanDevice("[LANDHCP01]"), 1);
    });
    EXPECT_EQ(reader.PeerAddresses(), std::vector<std::string>{"10.77.1.1"});
}

TEST_F(LanNetwork, ADhcpNameHoldingABracketOpensByTheNameTheSearchListed) {
    auto dhcp = Device("10.77.1.7");
    dhcp.device.dhcp = true;
    dhcp.device.dhcpName = "LAN]DHCP02";
    sim::LanServer& reader = Start(dhcp);
    InLibrary([] {
        char buffer[256];
        const int32_t n = VESMOR_FindLanDevicesEx(buffer, sizeof buffer);
        ASSERT_EQ(SplitList(buffer, n), std::vector<std::string>{"[LAN]DHCP02]"});
        const int32_t handle = VESMOR_OpenPort(buffer, 0, 300);
        EXPECT_GT(handle, 0);
        EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    });
    EXPECT_EQ(reader.PeerAddresses(), std::vector<std::string>{"10.77.1.1"});
}

TEST_F(LanNetwork, GetLanConfigGivesNameAddressMaskAndGatewayTexts) {
    Start(Device("10.77.1.5"));
    auto dhcp = Device("10.77.1.6");
    dhcp.device.dhcp = true;
    dhcp.device.dhcpName = "LANDHCP012345678";
    dhcp.device.hostBits = 32;
    Start(dhcp);
    InLibrary([] {
        char name[32], address[32], mask[32], gateway[32];
        ASSERT_EQ(VESMOR_GetLanConfig("10.77.1.5", name, address, mask, gateway), 0);
        EXPECT_STREQ(name, "[]-10001");
        EXPECT_STREQ(address, "10.77.1.5-10001");
        EXPECT_STREQ(mask, "255.255.255.0");
        EXPECT_STREQ(gateway, "10.77.1.254");
        ASSERT_EQ(VESMOR_GetLanConfig("10.77.1.6", name, address, mask, gateway), 0);
        EXPECT_STREQ(name, "[LANDHCP012345678]-10001");
        EXPECT_STREQ(address, "");
        EXPECT_STREQ(mask, "0.0.0.0");  // 32 host bits
        // Without a name output the name stands in for the empty address.
        ASSERT_EQ(VESMOR_GetLanConfig("10.77.1.6", nullptr, address, nullptr, nullptr), 0);
        EXPECT_STREQ(address, "[LANDHCP012345678]-10001");
        EXPECT_EQ(VESMOR_GetLanConfig("10.77.1.99", name, address, mask, gateway), -1);
        EXPECT_EQ(VESMOR_TestLanDevice("10.77.1.99"), 0);
    });
}

TEST_F(LanNetwork, SettingOnlyTheGatewayWithoutVekSendsTheShortDatagramRewritesAndRestarts) {
    auto options = Device("10.77.1.5");
    options.device.vek = false;
    options.device.hostBits = 16;
    sim::LanServer& reader = Start(options);
    InLibrary([] {
        EXPECT_EQ(VESMOR_SetLanConfig("10.77.1.5", "10.77.1.5", "255.255.255.0", "10.77.1.1"), 0);
    });
    // The restart goes out last, as the library returns.
    const Bytes restart = {0x00, 0x00, 0x00, 0x03, 0x58, 0x33};
    for (int i = 0; i < 200 && reader.ConfigRequests().back() != restart; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::vector<Bytes> requests = reader.ConfigRequests();
    EXPECT_TRUE(Contains(requests, {0x00, 0x00, 0x00, 0xFC, 'I',  'P',  '-', 'S', 'E', 'T',
                                    'U',  'P',  0x00, 0x00, 0x45, 0x4B, 10,  77,  1,   5}));
    const Bytes* write = Starting(requests, {0x00, 0x00, 0x00, 0xFD});
    ASSERT_NE(write, nullptr);
    ASSERT_EQ(write->size(), 124u);
    EXPECT_EQ(Bytes(write->begin() + 4 + 12, write->begin() + 4 + 16), (Bytes{10, 77, 1, 1}));
    EXPECT_EQ((*write)[4 + 6], 8);  // 255.255.255.0 stored as 8 host bits
    EXPECT_EQ(requests.back(), restart);
    EXPECT_EQ(reader.Address(), "10.77.1.5");
    InLibrary([] {
        char gateway[32];
        ASSERT_EQ(VESMOR_GetLanConfig("10.77.1.5", nullptr, nullptr, nullptr, gateway), 0);
        EXPECT_STREQ(gateway, "10.77.1.1");
    });
}

TEST_F(LanNetwork, ANewAddressWithVekGoesInTheExtendedDatagramAndTheReaderIsFoundThere) {
    sim::LanServer& reader = Start(Device("10.77.1.5"));
    InLibrary([] {
        EXPECT_EQ(VESMOR_SetLanConfig("10.77.1.5", "10.77.1.50", "255.255.255.0", "10.77.1.1"), 0);
    });
    const std::vector<Bytes> requests = reader.ConfigRequests();
    const Bytes* setup = Starting(requests, {0x00, 0x00, 0x00, 0xFC});
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(*setup, (Bytes{0x00, 0x00, 0x00, 0xFC, 'I',  'P',  '-',  'S', 'E', 'T', 'U', 'P', 'E',
                             'X',  0x00, 0x20, 0x4A, 0x56, 0x45, 0x4B, 10,  77,  1,   50,  0,   0,
                             255,  255,  255,  0,    10,   77,   1,    1,   0,   0,   0,   0,   0,
                             0,    0,    0,    0,    0,    0,    0,    0,   0,   0,   0}));
    EXPECT_EQ(reader.Address(), "10.77.1.50");
    InLibrary([] {
        EXPECT_EQ(VESMOR_TestLanDevice("10.77.1.50"), 1);
        EXPECT_EQ(VESMOR_TestLanDevice("10.77.1.5"), 0);
        const int32_t handle = VESMOR_OpenPort("10.77.1.50", 0, 300);
        EXPECT_GT(handle, 0);
        EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    });
}

long long MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// A device that keeps repeating its record-0 reply (every 20 ms for 8 s): each reply is accepted
// and would restart the 500 ms time-out; the search ends four time-outs after its query.
TEST_F(LanNetwork, ADeviceRepeatingItsReplyEndsTheSearchFourTimeOutsAfterTheQuery) {
    auto options = Device("10.77.1.5");
    options.floodMs = 20;
    options.floodForMs = 8000;
    Start(options);
    InLibrary([] {
        char buffer[512];
        const auto start = std::chrono::steady_clock::now();
        const int32_t n = VESMOR_FindLanDevices(buffer, sizeof buffer);
        const long long ms = MsSince(start);
        EXPECT_EQ(SplitList(buffer, n), std::vector<std::string>{"10.77.1.5-10001"});
        // Two adapters: 4 x 500 ms on the flooded one, 500 ms on the other.
        EXPECT_GE(ms, 2000);
        EXPECT_LT(ms, 3800) << "the flood held the search";
    });
}

// The same flood while the reader does not answer its ping: the ping's wait ends four time-outs
// after it began, and as the address alone was to change and no set-address datagram could go
// out, the change fails and nothing is sent, the reader is not restarted.
TEST_F(LanNetwork, AFloodCannotHoldThePingAndAnAddressChangeWithoutPingReplyFails) {
    auto options = Device("10.77.1.5");
    options.answerPing = false;
    options.floodMs = 20;
    options.floodForMs = 8000;
    sim::LanServer& reader = Start(options);
    InLibrary([] {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(VESMOR_SetLanConfig("10.77.1.5", "10.77.1.50", "", ""), -1);
        const long long ms = MsSince(start);
        EXPECT_GE(ms, 2000);
        EXPECT_LT(ms, 3800) << "the flood held the ping's wait";
    });
    const std::vector<Bytes> requests = reader.ConfigRequests();
    EXPECT_TRUE(Contains(requests, {0x00, 0x01, 0x00, 0xF6})) << "the ping went out";
    EXPECT_EQ(Starting(requests, {0x00, 0x00, 0x00, 0xFC}), nullptr);
    EXPECT_FALSE(Contains(requests, {0x00, 0x00, 0x00, 0x03, 0x58, 0x33})) << "no restart";
    EXPECT_EQ(reader.Address(), "10.77.1.5");
}

// Without a ping reply an address change together with other settings still goes through the
// rewritten record 0 (which holds the new address) and the restart.
TEST_F(LanNetwork, WithoutPingReplyAnAddressAndGatewayChangeGoesThroughRecordZero) {
    auto options = Device("10.77.1.5");
    options.answerPing = false;
    sim::LanServer& reader = Start(options);
    InLibrary(
        [] { EXPECT_EQ(VESMOR_SetLanConfig("10.77.1.5", "10.77.1.50", "", "10.77.1.1"), 0); });
    const std::vector<Bytes> requests = reader.ConfigRequests();
    const Bytes* write = Starting(requests, {0x00, 0x00, 0x00, 0xFD});
    ASSERT_NE(write, nullptr);
    EXPECT_EQ(Bytes(write->begin() + 4, write->begin() + 8), (Bytes{10, 77, 1, 50}));
    EXPECT_EQ(Starting(requests, {0x00, 0x00, 0x00, 0xFC}), nullptr);
}

// A reader that takes the set-address datagram but never answers at the new address: the wait
// for it lasts 5000 ms in real time, its failed tries (500 ms per adapter each) included.
TEST_F(LanNetwork, TheWaitForTheNewAddressLastsFiveSecondsInRealTime) {
    auto options = Device("10.77.1.5");
    options.ignoreIpSetup = true;
    sim::LanServer& reader = Start(options);
    InLibrary([] {
        const auto start = std::chrono::steady_clock::now();
        VESMOR_SetLanConfig("10.77.1.5", "10.77.1.50", "", "");
        const long long ms = MsSince(start);
        EXPECT_GE(ms, 5000);
        // At most one try of 2 x 500 ms begun before the end, and the way there.
        EXPECT_LT(ms, 7000) << "the pauses alone were counted";
    });
    EXPECT_NE(Starting(reader.ConfigRequests(), {0x00, 0x00, 0x00, 0xFC}), nullptr);
    EXPECT_EQ(reader.Address(), "10.77.1.5");
}

// A reader that sends its replies as broadcasts (to 255.255.255.255) is found, read and tested.
TEST_F(LanNetwork, AReaderThatRepliesByBroadcastIsFoundReadAndTested) {
    auto options = Device("10.77.1.5");
    options.replyByBroadcast = true;
    Start(options);
    auto other = Device("10.77.2.5");
    other.replyByBroadcast = true;
    Start(other);
    InLibrary([] {
        char buffer[512];
        const int32_t n = VESMOR_FindLanDevices(buffer, sizeof buffer);
        EXPECT_EQ(SplitList(buffer, n),
                  (std::vector<std::string>{"10.77.1.5-10001", "10.77.2.5-10001"}));
        EXPECT_EQ(VESMOR_TestLanDevice("10.77.1.5"), 1);
        char gateway[32];
        ASSERT_EQ(VESMOR_GetLanConfig("10.77.2.5", nullptr, nullptr, nullptr, gateway), 0);
        EXPECT_STREQ(gateway, "10.77.1.254");
    });
}

TEST_F(LanNetwork, BadSettingsAreRefusedBeforeAnythingIsSent) {
    sim::LanServer& reader = Start(Device("10.77.1.5"));
    InLibrary([] {
        EXPECT_EQ(VESMOR_SetLanConfig("10.77.1.5", "10.77.1", "255.255.255.0", ""), -1);
        EXPECT_EQ(VESMOR_SetLanConfig("10.77.1.5", "10.77.1.5", "255.255.x.0", ""), -1);
        EXPECT_EQ(VESMOR_SetLanConfig("10.77.1.5", "[AVERYLONGDHCPNAME17]", "", ""), -1);
        EXPECT_EQ(VESMOR_SetLanConfig(nullptr, "10.77.1.5", "", ""), -1);
    });
    EXPECT_TRUE(reader.ConfigRequests().empty());
}

}  // namespace
}  // namespace vesmor::test
