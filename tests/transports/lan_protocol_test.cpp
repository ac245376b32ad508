// The configuration datagrams, the mask conversion and the close texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "transports/lan_protocol.h"
#include "transports/lan_search.h"

namespace vesmor {
namespace {

TEST(LanProtocol, RequestsAreTheDocumentedBytes) {
    EXPECT_EQ(ReadRecordRequest(0), (ByteVector{0x00, 0x01, 0x00, 0xF8}));
    EXPECT_EQ(ReadRecordRequest(2), (ByteVector{0x00, 0x01, 0x00, 0xE2}));
    EXPECT_EQ(ReadRecordReplyType(0), 0xF9);
    EXPECT_EQ(ReadRecordReplyType(3), 0xD3);
    EXPECT_EQ(WriteRecordRequest(0, {7}), (ByteVector{0x00, 0x00, 0x00, 0xFD, 7}));
    EXPECT_EQ(WriteRecordRequest(3, {7}), (ByteVector{0x00, 0x01, 0x00, 0xC3, 7}));
    EXPECT_EQ(WriteRecordReplyType(0), 0xFB);
    EXPECT_EQ(WriteRecordReplyType(3), 0xB3);
    EXPECT_EQ(PingRequest(), (ByteVector{0x00, 0x01, 0x00, 0xF6}));
    EXPECT_EQ(RestartRequest(), (ByteVector{0x00, 0x00, 0x00, 0x03, 0x58, 0x33}));
    EXPECT_EQ(IpSetupRequest(false, {1}), (ByteVector{0x00, 0x00, 0x00, 0xFC, 0x49, 0x50, 0x2D,
                                                      0x53, 0x45, 0x54, 0x55, 0x50, 0, 0, 1}));
    EXPECT_EQ(IpSetupRequest(true, {}).back(), 0x58);
}

TEST(LanProtocol, MaskAndHostBitsConvertBothWays) {
    EXPECT_EQ(FormatIpv4(MaskFromHostBits(8)), "255.255.255.0");
    EXPECT_EQ(FormatIpv4(MaskFromHostBits(0)), "255.255.255.255");
    EXPECT_EQ(FormatIpv4(MaskFromHostBits(32)), "0.0.0.0");
    EXPECT_EQ(FormatIpv4(MaskFromHostBits(200)), "0.0.0.0");
    EXPECT_EQ(HostBitsOfMask(*ParseIpv4("255.255.255.0")), 8);
    EXPECT_EQ(HostBitsOfMask(*ParseIpv4("255.255.240.0")), 12);
    EXPECT_EQ(HostBitsOfMask(0), 32);
}

TEST(LanProtocol, Ipv4TextIsFourPlainDecimalNumbers) {
    EXPECT_EQ(ParseIpv4("192.168.0.10"), 0xC0A8000Au);
    EXPECT_EQ(ParseIpv4("0.0.0.0"), 0u);
    EXPECT_EQ(ParseIpv4("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad : {"", "1.2.3", "1.2.3.4.", "1.2.3.256", "01.2.3.4", "1.2.3.4 ", " 1.2.3.4",
                            "1..3.4", "1.2.3.-4", "1.2.3.0004", "a.b.c.d", "1.2.3.4-10001"}) {
        EXPECT_EQ(ParseIpv4(bad), std::nullopt) << bad;
    }
}

TEST(LanProtocol, RecordFieldsAndDhcpNames) {
    ByteVector body(120, 0);
    body[0] = 10, body[1] = 77, body[2] = 1, body[3] = 5;
    body[20] = 0x11, body[21] = 0x27;
    std::memcpy(body.data() + 112, "ABCDEFGH", 8);
    std::memcpy(body.data() + 84, "IJ", 2);
    EXPECT_EQ(RecordAddress(body), "10.77.1.5");
    EXPECT_EQ(RecordPort(body), 10001);
    EXPECT_EQ(RecordDhcpName(body), "[ABCDEFGHIJ]");
}

// A record 0 reply from sender as the socket queues it, with the given address and name.
Datagram Record0Reply(const std::string& sender, const uint8_t (&address)[4], const char* name) {
    ByteVector queued = {10, 0, 0, 7, 0x00, 0x00, 0x00, 0xF9};
    ByteVector body(120, 0);
    std::memcpy(body.data(), address, 4);
    body[20] = 0x11, body[21] = 0x27;
    std::memcpy(body.data() + 112, name, std::min<size_t>(8, std::strlen(name)));
    if (std::strlen(name) > 8) {
        std::memcpy(body.data() + 84, name + 8, std::strlen(name) - 8);
    }
    queued.insert(queued.end(), body.begin(), body.end());
    Datagram reply = SplitDatagram(queued);
    EXPECT_EQ(reply.sender, sender);
    return reply;
}

TEST(LanSearchReplies, EntriesNameTheSenderAndTheDhcpName) {
    const Datagram fixed = Record0Reply("10.0.0.7", {10, 0, 0, 7}, "");
    EXPECT_EQ(SearchEntryOf(fixed), "10.0.0.7-10001");
    EXPECT_EQ(EntryAddress("10.0.0.7-10001"), "10.0.0.7");
    EXPECT_EQ(ReaderOnlyEntry("10.0.0.7-10001"), "10.0.0.7-10001");
    EXPECT_FALSE(DhcpLookupAnswer(fixed, "[]"));

    const Datagram dhcp = Record0Reply("10.0.0.7", {0, 0, 0, 0}, "READER-01");
    EXPECT_EQ(SearchEntryOf(dhcp), "[READER-01]10.0.0.7-10001");
    EXPECT_EQ(EntryAddress("[READER-01]10.0.0.7-10001"), "10.0.0.7");
    EXPECT_EQ(ReaderOnlyEntry("[READER-01]10.0.0.7-10001"), "[READER-01]");
    EXPECT_EQ(DhcpLookupAnswer(dhcp, "[READER-01]"), "10.0.0.7-10001");
    EXPECT_FALSE(DhcpLookupAnswer(dhcp, "[READER-02]"));
}

TEST(LanSearchReplies, ADhcpNameHoldingABracketKeepsItsAddressAndItsWholeName) {
    const Datagram reply = Record0Reply("10.0.0.7", {0, 0, 0, 0}, "5R]EADER-01");
    const std::optional<std::string> entry = SearchEntryOf(reply);
    ASSERT_EQ(entry, "[5R]EADER-01]10.0.0.7-10001");
    EXPECT_EQ(EntryAddress(*entry), "10.0.0.7") << "variant 1 asks this address for its product";
    EXPECT_EQ(ReaderOnlyEntry(*entry), "[5R]EADER-01]");
    EXPECT_EQ(DhcpLookupAnswer(reply, "[5R]EADER-01]"), "10.0.0.7-10001");
}

TEST(LanSearchReplies, OnlyWellFormedRepliesOfTheRightKindCount) {
    ByteVector queued = {10, 0, 0, 7, 0x00, 0x00, 0x00, 0xF9};
    queued.resize(4 + 4 + 119);  // one byte short of a record 0 body
    EXPECT_FALSE(SearchEntryOf(SplitDatagram(queued)));
    EXPECT_TRUE(SplitDatagram({10, 0, 0}).bytes.empty());
    ByteVector record2 = {10, 0, 0, 7, 0x00, 0x00, 0x00, 0xD2};
    record2.resize(8 + 126);
    std::memcpy(record2.data() + 8 + 93, "QX-LAN", 6);
    EXPECT_EQ(ProductOf(SplitDatagram(record2), "10.0.0.7"), "QX-LAN");
    EXPECT_FALSE(ProductOf(SplitDatagram(record2), "10.0.0.8")) << "another reader's reply";
    EXPECT_TRUE(IsReplyFrom(SplitDatagram(record2), 0xD2, 120, kBroadcastAddress));
    EXPECT_FALSE(IsReplyFrom(SplitDatagram(record2), 0xD2, 127, kBroadcastAddress));
    EXPECT_FALSE(IsReplyFrom(SplitDatagram(record2), 0xD2, 120, "10.0.0.8"));
}

TEST(LanProtocol, CloseTextsFollowTheWsaNumbersMappedFromErrno) {
    EXPECT_STREQ(CloseErrorText(WsaErrorFromErrno(0)), "The function exited successfully.");
    EXPECT_EQ(WsaErrorFromErrno(ECONNRESET), 10054);
    EXPECT_STREQ(CloseErrorText(10054),
                 "WSAECONNRESET The connection was reset by the remote side.");
    EXPECT_EQ(WsaErrorFromErrno(ECONNABORTED), 10053);
    EXPECT_EQ(WsaErrorFromErrno(ENETDOWN), 10050);
    EXPECT_EQ(WsaErrorFromErrno(EADDRINUSE), 10048);
    EXPECT_STREQ(CloseErrorText(10061), "Unknown error.");
}

}  // namespace
}  // namespace vesmor
