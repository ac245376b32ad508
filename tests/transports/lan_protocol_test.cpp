// The configuration datagrams, the mask conversion and the close texts.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "transports/lan_protocol.h"

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
