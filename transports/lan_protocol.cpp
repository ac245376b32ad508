#include "transports/lan_protocol.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace vesmor {

namespace {

std::string BoundedText(const ByteVector& body, size_t offset, size_t length) {
    std::string text;
    for (size_t i = offset; i < offset + length && i < body.size() && body[i] != 0; ++i) {
        text += static_cast<char>(body[i]);
    }
    return text;
}

}  // namespace

ByteVector ReadRecordRequest(int record) {
    return {0x00, 0x01, 0x00, static_cast<uint8_t>(record == 0 ? 0xF8 : 0xE0 + record)};
}

uint8_t ReadRecordReplyType(int record) {
    return static_cast<uint8_t>(record == 0 ? 0xF9 : 0xD0 + record);
}

ByteVector WriteRecordRequest(int record, const ByteVector& body) {
    ByteVector request = record == 0
                             ? ByteVector{0x00, 0x00, 0x00, 0xFD}
                             : ByteVector{0x00, 0x01, 0x00, static_cast<uint8_t>(0xC0 + record)};
    request.insert(request.end(), body.begin(), body.end());
    return request;
}

uint8_t WriteRecordReplyType(int record) {
    return static_cast<uint8_t>(record == 0 ? 0xFB : 0xB0 + record);
}

ByteVector PingRequest() {
    return {0x00, 0x01, 0x00, 0xF6};
}

ByteVector RestartRequest() {
    return {0x00, 0x00, 0x00, 0x03, 0x58, 0x33};
}

ByteVector IpSetupRequest(bool extended, const ByteVector& payload) {
    ByteVector request = {0x00, 0x00, 0x00, 0xFC, 'I', 'P', '-', 'S', 'E', 'T', 'U', 'P'};
    if (extended) {
        request.push_back('E');
        request.push_back('X');
    } else {
        request.push_back(0x00);
        request.push_back(0x00);
    }
    request.insert(request.end(), payload.begin(), payload.end());
    return request;
}

ByteVector Datagram::Body() const {
    return bytes.size() > kReplyHeader ? ByteVector(bytes.begin() + kReplyHeader, bytes.end())
                                       : ByteVector{};
}

Datagram SplitDatagram(const ByteVector& queued) {
    Datagram datagram;
    if (queued.size() >= 4) {
        datagram.sender = DottedAt(queued, 0);
        datagram.bytes.assign(queued.begin() + 4, queued.end());
    }
    return datagram;
}

bool IsReplyFrom(const Datagram& reply, uint8_t replyType, size_t minBody,
                 const std::string& reader) {
    return reply.Type() == replyType && reply.bytes.size() >= kReplyHeader + minBody &&
           (reader == kBroadcastAddress || reply.sender == reader);
}

bool WaitForDatagram(CTCPSocket& socket, int windowMs, bool restartOnAny,
                     const std::function<bool(const Datagram&)>& accept, const WaitPump& pump,
                     int capMs) {
    // Time points, not whole milliseconds: a window counted from a rounded-down start could end
    // up to a millisecond before its length.
    using Clock = std::chrono::steady_clock;
    const auto window = std::chrono::milliseconds(windowMs);
    const Clock::time_point start = Clock::now();
    const Clock::time_point cap =
        start + (capMs < 0 ? kFloodCapWindows * window : std::chrono::milliseconds(capMs));
    Clock::time_point deadline = start + window;
    for (;;) {
        while (std::optional<ByteVector> queued = socket.TakeDatagram()) {
            if (accept(SplitDatagram(*queued))) {
                return true;
            }
            if (restartOnAny) {
                deadline = Clock::now() + window;
            }
            if (Clock::now() >= cap) {
                return false;
            }
        }
        const Clock::duration left = std::min(deadline, cap) - Clock::now();
        if (left <= Clock::duration::zero() || !socket.HasHandle()) {
            return false;
        }
        // Rounded up, so the last slice does not end just short of the deadline.
        const auto leftMs = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        socket.DispatchEvents(pump ? 1 : static_cast<int>(leftMs));
        if (pump) {
            pump();
        }
    }
}

std::string WithPort(const std::string& address, int port) {
    return address + "-" + std::to_string(port);
}

std::string DottedAt(const ByteVector& body, size_t offset) {
    if (body.size() < offset + 4) {
        return "0.0.0.0";
    }
    char text[16];
    // Four bytes in decimal always fit the 16 bytes.
    (void)std::snprintf(text, sizeof text, "%d.%d.%d.%d", body[offset], body[offset + 1],
                        body[offset + 2], body[offset + 3]);
    return text;
}

std::string RecordAddress(const ByteVector& body) {
    return DottedAt(body, kRecAddress);
}

int RecordPort(const ByteVector& body) {
    return body.size() > kRecPort + 1 ? body[kRecPort] | (body[kRecPort + 1] << 8) : 0;
}

std::string RecordDhcpName(const ByteVector& body) {
    return "[" + BoundedText(body, kRecNameHead, 8) + BoundedText(body, kRecNameTail, 8) + "]";
}

uint32_t MaskFromHostBits(int hostBits) {
    if (hostBits >= 32 || hostBits < 0) {
        return 0;
    }
    return ~((uint32_t{1} << hostBits) - 1);
}

int HostBitsOfMask(uint32_t mask) {
    int bits = 0;
    while (bits < 32 && (mask & (uint32_t{1} << bits)) == 0) {
        ++bits;
    }
    return bits;
}

}  // namespace vesmor
