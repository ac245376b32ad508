#pragma once
// The frame format of the Bluetooth USB dongle, both ways:
//   02, type, opcode, payload length (2 bytes, little-endian), checksum (sum of the four bytes
//   before it), payload, 03.
// The host sends requests (type 'R'); the dongle answers with confirms ('C') and indications
// ('i'). A received frame is named by its event code, opcode * 256 + type.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vesmor {

constexpr uint8_t kDongleStart = 0x02;
constexpr uint8_t kDongleEnd = 0x03;
constexpr uint8_t kDongleRequest = 'R';
constexpr uint8_t kDongleConfirm = 'C';
constexpr uint8_t kDongleIndication = 'i';
constexpr size_t kDongleFrameOverhead = 7;  // everything but the payload
constexpr uint8_t kDongleLink = 0x02;       // the one link the dongle keeps to the reader

constexpr uint16_t DongleEvent(uint8_t opcode, uint8_t type) {
    return static_cast<uint16_t>(opcode << 8 | type);
}

// Request opcodes and the events the dongle answers with.
enum DongleOpcode : uint8_t {
    kOpInquiry = 0x00,
    kOpInquiryResult = 0x01,
    kOpRemoteName = 0x02,
    kOpConnect = 0x0A,
    kOpConnectIndication = 0x0B,
    kOpDisconnect = 0x0D,
    kOpDisconnectIndication = 0x0E,
    kOpData = 0x0F,
    kOpDataIndication = 0x10,
    kOpReset = 0x26,
    kOpResetIndication = 0x25,
    kOpDisconnectDone = 0x51,
};

constexpr uint16_t kEvInquiryConfirm = DongleEvent(kOpInquiry, kDongleConfirm);
constexpr uint16_t kEvInquiryResult = DongleEvent(kOpInquiryResult, kDongleIndication);
constexpr uint16_t kEvRemoteName = DongleEvent(kOpRemoteName, kDongleConfirm);
constexpr uint16_t kEvConnectConfirm = DongleEvent(kOpConnect, kDongleConfirm);
constexpr uint16_t kEvConnectIndication = DongleEvent(kOpConnectIndication, kDongleIndication);
constexpr uint16_t kEvDisconnectIndication =
    DongleEvent(kOpDisconnectIndication, kDongleIndication);
constexpr uint16_t kEvDataIndication = DongleEvent(kOpDataIndication, kDongleIndication);
constexpr uint16_t kEvResetIndication = DongleEvent(kOpResetIndication, kDongleIndication);
constexpr uint16_t kEvDisconnectDone = DongleEvent(kOpDisconnectDone, kDongleIndication);
// A wait for this event also ends with the reset indication.
constexpr uint16_t kEvAlsoEndedByReset = 0x2843;

using BluetoothAddress = std::array<uint8_t, 6>;
constexpr size_t kMaxRemoteNameBytes = 30;

// One frame of the given type with the payload.
std::vector<uint8_t> EncodeDongleFrame(uint8_t type, uint8_t opcode,
                                       const std::vector<uint8_t>& payload);

struct DongleFrame {
    uint8_t type = 0;
    uint8_t opcode = 0;
    std::vector<uint8_t> body;
    uint16_t Event() const { return DongleEvent(opcode, type); }
};

// Takes the first frame off the front of buffer[0..count): leading bytes before a start byte
// are dropped, and so is a start byte whose length cannot fit into capacity bytes (it cannot
// begin a frame that this buffer will ever hold). Checksum and end byte are not verified.
// Returns the frame and sets consumed to the bytes to remove (also when no frame is complete
// yet: then only the dropped bytes).
std::optional<DongleFrame> TakeDongleFrame(const uint8_t* buffer, size_t count, size_t capacity,
                                           size_t* consumed);

// d = min(wait / 1300 - 1, 48) as a byte: a wait below 1300 ms gives 48.
// What the host takes from the bodies of the events. The device address of an inquiry result,
// nothing when the body is too short or its device class (bytes 6 and 7) is not classFilter
// (0: any class).
std::optional<BluetoothAddress> InquiryResultAddress(const std::vector<uint8_t>& body,
                                                     uint16_t classFilter);
// The 32-byte name area of a remote-name confirm: the name (its length at byte 7, at most 30
// bytes) from byte 8, zeros behind; all zeros when byte 0 reports a failure.
std::array<uint8_t, 32> RemoteNameArea(const std::vector<uint8_t>& body);
// Where the data bytes of a data indication on the link lie in its body: from byte 3, as many
// as bytes 1 and 2 give, cut to the body and to room. None (offset and count 0) for other links
// and short bodies.
struct DataBytes {
    size_t offset = 0;
    size_t count = 0;
};
DataBytes DataIndicationBytes(const std::vector<uint8_t>& body, size_t room);

// Request payloads.
std::vector<uint8_t> InquiryPayload(uint32_t waitMs);
std::vector<uint8_t> ConnectPayload(const BluetoothAddress& address, uint8_t linkParameter);
std::vector<uint8_t> DataPayload(const uint8_t* data, size_t count);

}  // namespace vesmor
