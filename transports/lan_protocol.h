#pragma once
// The datagrams of the LAN readers' configuration port, the fields of their configuration
// records, and the wait for a fitting reply.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "transports/tcp_socket.h"

namespace vesmor {

using ByteVector = std::vector<uint8_t>;

constexpr uint16_t kConfigPort = 30718;
constexpr const char* kBroadcastAddress = "255.255.255.255";
constexpr size_t kRecordBodyMin = 120;
constexpr size_t kReplyHeader = 4;

// Record 0 body offsets.
constexpr size_t kRecAddress = 0;
constexpr size_t kRecHostBits = 6;
constexpr size_t kRecGateway = 12;
constexpr size_t kRecPort = 20;
constexpr size_t kRecNameTail = 84;   // characters 9 to 16 of the DHCP name
constexpr size_t kRecNameHead = 112;  // characters 1 to 8
constexpr size_t kRecord2Product = 93;
constexpr size_t kRecord3NameTail = 102;
constexpr size_t kRecord3Length = 126;
// Ping reply body offsets.
constexpr size_t kPingVek = 11;
constexpr size_t kPingHardware = 20;
constexpr size_t kPingBodyMin = 26;

ByteVector ReadRecordRequest(int record);
uint8_t ReadRecordReplyType(int record);
ByteVector WriteRecordRequest(int record, const ByteVector& body);
uint8_t WriteRecordReplyType(int record);
ByteVector PingRequest();
constexpr uint8_t kPingReplyType = 0xF7;
ByteVector RestartRequest();
ByteVector IpSetupRequest(bool extended, const ByteVector& payload);

// A queued datagram split into its sender and its bytes.
struct Datagram {
    std::string sender;
    ByteVector bytes;
    uint8_t Type() const { return bytes.size() > 3 ? bytes[3] : 0; }
    ByteVector Body() const;
};
Datagram SplitDatagram(const ByteVector& queued);
// Whether a reply is the one a query waits for: of replyType, with at least minBody bytes of
// body, and from reader (from anyone when the query went to the broadcast address).
bool IsReplyFrom(const Datagram& reply, uint8_t replyType, size_t minBody,
                 const std::string& reader);

// However the datagrams come, a wait whose window restarts ends this many windows after it began:
// a flood of datagrams cannot hold it for as long as the flood lasts.
constexpr int kFloodCapWindows = 4;

// Takes datagrams from the socket until accept returns true (true) or windowMs have passed
// (false). With restartOnAny every datagram restarts the window, otherwise it counts from the
// call; either way the wait ends capMs after the call (kFloodCapWindows windows when capMs is
// negative). The pump runs between slices of at most 1 ms; without one the wait sleeps in poll.
bool WaitForDatagram(CTCPSocket& socket, int windowMs, bool restartOnAny,
                     const std::function<bool(const Datagram&)>& accept, const WaitPump& pump,
                     int capMs = -1);

// Record 0 fields.
std::string RecordAddress(const ByteVector& body);  // "a.b.c.d"
int RecordPort(const ByteVector& body);
// "[" + characters 1 to 8 + characters 9 to 16 + "]", each part ending at its first NUL.
std::string RecordDhcpName(const ByteVector& body);
// "a.b.c.d" + "-" + port.
std::string WithPort(const std::string& address, int port);
// Dotted text of four bytes at offset.
std::string DottedAt(const ByteVector& body, size_t offset);

// The subnet mask with bits 31 down to hostBits set; 0.0.0.0 for 32 or more host bits.
uint32_t MaskFromHostBits(int hostBits);
// Zero bits below the lowest set bit of the mask (32 for 0.0.0.0).
int HostBitsOfMask(uint32_t mask);

}  // namespace vesmor
