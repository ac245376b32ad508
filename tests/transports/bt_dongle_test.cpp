// The dongle transport on a pseudo-terminal (a dongle on a serial line) against the dongle
// simulator: inquiry, name, connect on demand, data both ways, lost links, refusals, close.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "library/frame.h"
#include "sim/pty_link.h"
#include "transports/bt_dongle.h"

namespace vesmor {
namespace {

using Bytes = std::vector<uint8_t>;

// The identification request of a type-0 reader at bus address 1.
Bytes IdentifyFrame() {
    CMyByteArray tx{0xF0};
    BuildFrame(tx, 0, 1);
    return Bytes(tx.GetData(), tx.GetData() + tx.GetSize());
}

class DongleOnPty : public ::testing::Test {
  protected:
    explicit DongleOnPty(sim::DongleConfig config = {})
        : link(sim::ReaderConfig{}, Options(config)) {}
    static sim::PtyLink::Options Options(const sim::DongleConfig& config) {
        sim::PtyLink::Options options;
        options.dongle = true;
        options.dongleConfig = config;
        return options;
    }
    std::string Name() const { return link.Path() + " BT"; }

    // Reads until at least count bytes came or a second passed.
    Bytes ReadAtLeast(size_t count) {
        Bytes got;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (got.size() < count && std::chrono::steady_clock::now() < until) {
            uint8_t buffer[100];
            const size_t n = dongle.ReadDongle(buffer, sizeof buffer);
            got.insert(got.end(), buffer, buffer + n);
            if (n == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return got;
    }
    // Sends the identification and returns the answer's data ("1257").
    std::string Identify() {
        const Bytes request = IdentifyFrame();
        if (!dongle.WriteDongle(request.data(), request.size())) {
            return "write failed";
        }
        const Bytes answer = ReadAtLeast(9);
        return answer.size() >= 9 ? std::string(answer.begin() + 4, answer.begin() + 8)
                                  : "no answer";
    }

    sim::PtyLink link;
    CBluetoothDongle dongle;
};

TEST_F(DongleOnPty, OpensTheSerialLineInComModeWithAConnectionNumber) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    EXPECT_TRUE(dongle.IsComMode());
    EXPECT_GE(dongle.Identifier(), 30001);
    EXPECT_FALSE(dongle.IsLinkConnected());
    EXPECT_EQ(dongle.Name(), Name());
    CBluetoothDongle second;
    EXPECT_FALSE(second.OpenDongle(Name())) << "the line is held by the first";
    EXPECT_FALSE(second.OpenDongle("/dev/no-such-dongle BT"));
    EXPECT_FALSE(second.OpenDongle("VEK-PN4207#00042 BT")) << "no USBXpress device, no COM name";
    EXPECT_EQ(second.Identifier(), 0);
}

TEST_F(DongleOnPty, AReaderFrameBeforeTheLinkIsUpConnectsAndGoesOutInTheSameCall) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    const Bytes request = IdentifyFrame();
    ASSERT_TRUE(dongle.WriteDongle(request.data(), request.size()));
    EXPECT_TRUE(dongle.IsLinkConnected());
    const sim::DongleLog log = link.GetDongleLog();
    EXPECT_EQ(log.inquiries, 1);
    EXPECT_EQ(log.nameRequests, 1) << "the device of another class is not asked";
    EXPECT_EQ(log.resets, 1) << "the inquiry ends once the reader is found";
    EXPECT_EQ(log.connects, 1);
    ASSERT_TRUE(link.WaitForRequests(1, 1000));
    EXPECT_EQ(link.Requests()[0].frame, request);
    const Bytes answer = ReadAtLeast(9);
    ASSERT_GE(answer.size(), 9u);
    EXPECT_EQ(std::string(answer.begin() + 4, answer.begin() + 8), "1257");
}

TEST_F(DongleOnPty, ADataIndicationWhoseFirstByteIsNot02IsIgnored) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    ASSERT_EQ(Identify(), "1257");
    link.SendRaw(EncodeDongleFrame(kDongleIndication, kOpDataIndication, {0x01, 2, 0, 0xAA, 0xBB}));
    link.SendRaw(EncodeDongleFrame(kDongleIndication, kOpDataIndication, {0x02, 2, 0, 0xCC, 0xDD}));
    EXPECT_EQ(ReadAtLeast(2), (Bytes{0xCC, 0xDD}));
    EXPECT_TRUE(ReadAtLeast(1).empty());
}

TEST_F(DongleOnPty, DataBeyondTheIndicatedLengthOrTheBodyIsNotTaken) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    ASSERT_EQ(Identify(), "1257");
    // Says 5 bytes, carries 2; then says 1 and carries 2.
    link.SendRaw(EncodeDongleFrame(kDongleIndication, kOpDataIndication, {0x02, 5, 0, 0x11, 0x22}));
    link.SendRaw(EncodeDongleFrame(kDongleIndication, kOpDataIndication, {0x02, 1, 0, 0x33, 0x44}));
    EXPECT_EQ(ReadAtLeast(3), (Bytes{0x11, 0x22, 0x33}));
}

TEST_F(DongleOnPty, ALostLinkIsConnectedAgainByTheNextWrite) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    ASSERT_EQ(Identify(), "1257");
    link.SetReaderInRange(false);
    link.SetReaderInRange(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Identify(), "1257");
    const sim::DongleLog log = link.GetDongleLog();
    EXPECT_EQ(log.connects, 2);
    EXPECT_EQ(log.inquiries, 1) << "the reader's address is known";
    EXPECT_TRUE(dongle.IsLinkConnected());
}

TEST_F(DongleOnPty, AStrayStartByteAndNoiseDoNotHideTheNextFrame) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    ASSERT_EQ(Identify(), "1257");
    link.SendRaw({0x55, 0x02, 0x69, 0x10, 0xFF, 0xFF, 0x00});
    link.SendRaw(EncodeDongleFrame(kDongleIndication, kOpDataIndication, {0x02, 1, 0, 0x77}));
    EXPECT_EQ(ReadAtLeast(1), (Bytes{0x77}));
}

TEST_F(DongleOnPty, CloseDisconnectsALinkThatIsUp) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    ASSERT_EQ(Identify(), "1257");
    dongle.CloseDongle();
    EXPECT_EQ(dongle.Identifier(), 0);
    EXPECT_EQ(link.GetDongleLog().disconnects, 1);
    EXPECT_FALSE(link.IsDongleLinkUp());
    // The line is free again, and a dongle that never linked closes without a disconnect.
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    dongle.CloseDongle();
    EXPECT_EQ(link.GetDongleLog().disconnects, 1);
}

TEST_F(DongleOnPty, AnUnpluggedDongleClosesItself) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    ASSERT_EQ(Identify(), "1257");
    link.Unplug();
    uint8_t buffer[8];
    for (int i = 0; i < 100 && dongle.IsOpen(); ++i) {
        dongle.ReadDongle(buffer, sizeof buffer);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(dongle.Identifier(), 0);
}

class NoReaderInRange : public DongleOnPty {
  protected:
    NoReaderInRange() : DongleOnPty(Config()) {}
    static sim::DongleConfig Config() {
        sim::DongleConfig config;
        config.readerInRange = false;
        return config;
    }
};

TEST_F(NoReaderInRange, WritesFailAndTheNextInquiryComesHalfASecondLater) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    const Bytes request = IdentifyFrame();
    EXPECT_FALSE(dongle.WriteDongle(request.data(), request.size()));
    EXPECT_FALSE(dongle.WriteDongle(request.data(), request.size()));
    uint8_t buffer[8];
    EXPECT_EQ(dongle.ReadDongle(buffer, sizeof buffer), 0u);
    EXPECT_EQ(link.GetDongleLog().inquiries, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(520));
    EXPECT_FALSE(dongle.WriteDongle(request.data(), request.size()));
    EXPECT_EQ(link.GetDongleLog().inquiries, 2);
    EXPECT_EQ(link.GetDongleLog().connects, 0);
    EXPECT_EQ(link.GetDongleLog().dataRequests, 0);
}

class RefusingReader : public DongleOnPty {
  protected:
    RefusingReader() : DongleOnPty(Config()) {}
    static sim::DongleConfig Config() {
        sim::DongleConfig config;
        config.connectRefusal = 0x05;
        return config;
    }
};

TEST_F(RefusingReader, ARefusedConnectFailsTheWriteAndKeepsTheStatus) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    const Bytes request = IdentifyFrame();
    EXPECT_FALSE(dongle.WriteDongle(request.data(), request.size()));
    EXPECT_EQ(dongle.ConnectStatus(), 0x05);
    EXPECT_FALSE(dongle.IsLinkConnected());
    EXPECT_EQ(link.GetDongleLog().dataRequests, 0);
}

class ShyReader : public DongleOnPty {
  protected:
    ShyReader() : DongleOnPty(Config()) {}
    static sim::DongleConfig Config(int emptyAnswers = 2) {
        sim::DongleConfig config;
        config.emptyNameAnswers = emptyAnswers;
        return config;
    }
};

TEST_F(ShyReader, AnEmptyNameIsAskedForAgain) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    EXPECT_EQ(Identify(), "1257");
    EXPECT_EQ(link.GetDongleLog().nameRequests, 3);
}

TEST_F(ShyReader, FindReaderByInquiryGivesAddressAndNameArea) {
    ASSERT_TRUE(dongle.OpenDongle(Name()));
    std::vector<uint8_t> out;
    ASSERT_EQ(dongle.FindReaderByInquiry(10000, 0, 2, out), 76u) << "both devices, no filter";
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(out[6], 0) << "the other device never says its name: six empty answers";
    EXPECT_EQ(Bytes(out.begin() + 38, out.begin() + 44),
              (Bytes{0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.data()) + 44), "VEK-BT Reader");
}

}  // namespace
}  // namespace vesmor
