// The dongle's frame format: requests as they go out, byte for byte, and frames taken from the
// received bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "transports/bt_dongle_frame.h"

namespace vesmor {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(DongleRequest, CarriesStartTypeOpcodeLengthChecksumPayloadAndEnd) {
    EXPECT_EQ(EncodeDongleFrame(kDongleRequest, kOpReset, {}),
              (Bytes{0x02, 0x52, 0x26, 0x00, 0x00, 0x78, 0x03}));
    EXPECT_EQ(EncodeDongleFrame(kDongleRequest, kOpInquiry, InquiryPayload(10000)),
              (Bytes{0x02, 0x52, 0x00, 0x03, 0x00, 0x55, 0x06, 0x00, 0x00, 0x03}));
    EXPECT_EQ(EncodeDongleFrame(kDongleRequest, kOpDisconnect, {kDongleLink}),
              (Bytes{0x02, 0x52, 0x0D, 0x01, 0x00, 0x60, 0x02, 0x03}));
}

TEST(DongleRequest, ChecksumIsTheSumOfTypeOpcodeAndLengthModulo256) {
    const Bytes payload(300, 0xAA);
    const Bytes frame = EncodeDongleFrame(kDongleRequest, kOpData, payload);
    ASSERT_EQ(frame.size(), 307u);
    EXPECT_EQ(frame[3], 0x2C);  // 300 = 0x012C, little-endian
    EXPECT_EQ(frame[4], 0x01);
    EXPECT_EQ(frame[5], static_cast<uint8_t>(0x52 + 0x0F + 0x2C + 0x01));
    EXPECT_EQ(frame.back(), 0x03);
}

TEST(DongleRequest, InquiryLengthIsTheWaitIn1300MsStepsLessOneAtMost48) {
    EXPECT_EQ(InquiryPayload(10000), (Bytes{6, 0, 0}));
    EXPECT_EQ(InquiryPayload(1300), (Bytes{0, 0, 0}));
    EXPECT_EQ(InquiryPayload(1299), (Bytes{48, 0, 0}));  // below one step
    EXPECT_EQ(InquiryPayload(0), (Bytes{48, 0, 0}));
    EXPECT_EQ(InquiryPayload(65000), (Bytes{48, 0, 0}));
    EXPECT_EQ(InquiryPayload(63700), (Bytes{48, 0, 0}));
    EXPECT_EQ(InquiryPayload(62400), (Bytes{47, 0, 0}));
}

TEST(DongleRequest, ConnectAndDataPayloadsNameTheLink) {
    const BluetoothAddress address{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ConnectPayload(address, 2), (Bytes{0x02, 1, 2, 3, 4, 5, 6, 2}));
    const uint8_t data[] = {0x02, 0x01, 0x04, 0xF0, 0xF7};
    EXPECT_EQ(EncodeDongleFrame(kDongleRequest, kOpData, DataPayload(data, sizeof data)),
              (Bytes{0x02, 0x52, 0x0F, 0x08, 0x00, 0x69, 0x02, 0x05, 0x00, 0x02, 0x01, 0x04, 0xF0,
                     0xF7, 0x03}));
}

struct Taken {
    std::optional<DongleFrame> frame;
    size_t consumed = 0;
};

Taken Take(const Bytes& bytes, size_t capacity = 1000) {
    Taken taken;
    taken.frame = TakeDongleFrame(bytes.data(), bytes.size(), capacity, &taken.consumed);
    return taken;
}

TEST(DongleFrameReceived, IsNamedByOpcodeTimes256PlusType) {
    const Bytes indication{0x02, 0x69, 0x0B, 0x02, 0x00, 0x76, 0x00, 0x07, 0x03};
    const Taken taken = Take(indication);
    ASSERT_TRUE(taken.frame);
    EXPECT_EQ(taken.frame->Event(), 0x0B69);
    EXPECT_EQ(taken.frame->body, (Bytes{0x00, 0x07}));
    EXPECT_EQ(taken.consumed, indication.size());
    EXPECT_EQ(kEvConnectIndication, 0x0B69);
    EXPECT_EQ(kEvInquiryConfirm, 0x0043);
    EXPECT_EQ(kEvDataIndication, 0x1069);
    EXPECT_EQ(kEvResetIndication, 0x2569);
    EXPECT_EQ(kEvDisconnectDone, 0x5169);
}

TEST(DongleFrameReceived, LeadingBytesAreDroppedUpToTheStartByte) {
    const Taken taken = Take({0xFF, 0x03, 0x00, 0x02, 0x43, 0x00, 0x01, 0x00, 0x44, 0x00, 0x03});
    ASSERT_TRUE(taken.frame);
    EXPECT_EQ(taken.frame->Event(), 0x0043);
    EXPECT_EQ(taken.consumed, 11u);
}

TEST(DongleFrameReceived, AnIncompleteFrameWaitsAndOnlyTheStrayBytesGo) {
    Taken taken = Take({0x55, 0x02, 0x69, 0x10, 0x05, 0x00, 0x7E, 0x02});
    EXPECT_FALSE(taken.frame);
    EXPECT_EQ(taken.consumed, 1u);
    taken = Take({0x02, 0x69, 0x25});
    EXPECT_FALSE(taken.frame);
    EXPECT_EQ(taken.consumed, 0u);
}

TEST(DongleFrameReceived, ASevenByteFrameWithoutPayloadIsComplete) {
    const Taken taken = Take({0x02, 0x69, 0x25, 0x00, 0x00, 0x8E, 0x03});
    ASSERT_TRUE(taken.frame);
    EXPECT_EQ(taken.frame->Event(), 0x2569);
    EXPECT_TRUE(taken.frame->body.empty());
}

TEST(DongleFrameReceived, ChecksumAndEndByteAreNotChecked) {
    const Taken taken = Take({0x02, 0x43, 0x02, 0x01, 0x00, 0x00, 0x05, 0x99});
    ASSERT_TRUE(taken.frame);
    EXPECT_EQ(taken.frame->Event(), 0x0243);
    EXPECT_EQ(taken.frame->body, Bytes{0x05});
}

TEST(DongleFrameReceived, AStartByteWhoseFrameCannotFitIsSkipped) {
    // 02 with length 0xFFFF can never be completed in a 1000-byte buffer: the frame after it is
    // found instead of waiting forever.
    Bytes bytes{0x02, 0x69, 0x10, 0xFF, 0xFF};
    const Bytes frame{0x02, 0x69, 0x25, 0x00, 0x00, 0x8E, 0x03};
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    const Taken taken = Take(bytes);
    ASSERT_TRUE(taken.frame);
    EXPECT_EQ(taken.frame->Event(), 0x2569);
    EXPECT_EQ(taken.consumed, bytes.size());
}

TEST(DongleEventBody, AnInquiryResultGivesItsAddressWhenItsClassFits) {
    const Bytes reader = {1, 2, 3, 4, 5, 6, 0x00, 0x05, 0x00};
    EXPECT_EQ(InquiryResultAddress(reader, 0), (BluetoothAddress{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(InquiryResultAddress(reader, 0x0500), (BluetoothAddress{1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(InquiryResultAddress(reader, 0x020C)) << "another device class";
    EXPECT_FALSE(InquiryResultAddress({1, 2, 3, 4, 5, 6, 0x00, 0x05}, 0x0500)) << "no service byte";
    EXPECT_EQ(InquiryResultAddress({1, 2, 3, 4, 5, 6}, 0), (BluetoothAddress{1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(InquiryResultAddress({1, 2, 3, 4, 5}, 0));
}

TEST(DongleEventBody, ARemoteNameIsCutToItsLengthTheBodyAndThirtyBytes) {
    Bytes body = {0x00, 1, 2, 3, 4, 5, 6, 4, 'Q', 'X', '-', '1', 'j', 'u', 'n', 'k'};
    auto area = RemoteNameArea(body);
    EXPECT_EQ(std::string(area.begin(), area.begin() + 5), std::string("QX-1\0", 5));
    body[7] = 40;  // longer than the body
    area = RemoteNameArea(body);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(area.data())), "QX-1junk");
    Bytes longName = {0x00, 1, 2, 3, 4, 5, 6, 40};
    longName.resize(8 + 40, 'n');
    area = RemoteNameArea(longName);
    EXPECT_EQ(std::count(area.begin(), area.end(), 'n'), 30);
    body[0] = 0x04;  // page timeout
    area = RemoteNameArea(body);
    EXPECT_EQ(std::count(area.begin(), area.end(), 0), 32);
}

TEST(DongleEventBody, DataBytesComeFromTheLinkCutToTheBodyAndTheRoom) {
    const Bytes body = {kDongleLink, 5, 0, 'a', 'b', 'c'};
    EXPECT_EQ(DataIndicationBytes(body, 1000).offset, 3u);
    EXPECT_EQ(DataIndicationBytes(body, 1000).count, 3u) << "the length says 5, three came";
    EXPECT_EQ(DataIndicationBytes(body, 2).count, 2u);
    EXPECT_EQ(DataIndicationBytes({kDongleLink, 1, 0, 'a', 'b'}, 1000).count, 1u);
    EXPECT_EQ(DataIndicationBytes({0x03, 1, 0, 'a'}, 1000).count, 0u) << "another link";
    const DataBytes none = DataIndicationBytes({kDongleLink, 1}, 1000);
    EXPECT_EQ(none.offset + none.count, 0u) << "a short body points at nothing";
}

}  // namespace
}  // namespace vesmor
