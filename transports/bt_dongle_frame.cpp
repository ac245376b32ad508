#include "transports/bt_dongle_frame.h"

#include <algorithm>

namespace vesmor {

std::vector<uint8_t> EncodeDongleFrame(uint8_t type, uint8_t opcode,
                                       const std::vector<uint8_t>& payload) {
    const size_t n = payload.size();
    std::vector<uint8_t> frame{kDongleStart, type, opcode, static_cast<uint8_t>(n & 0xFF),
                               static_cast<uint8_t>(n >> 8 & 0xFF)};
    frame.push_back(static_cast<uint8_t>(frame[1] + frame[2] + frame[3] + frame[4]));
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(kDongleEnd);
    return frame;
}

std::optional<DongleFrame> TakeDongleFrame(const uint8_t* buffer, size_t count, size_t capacity,
                                           size_t* consumed) {
    size_t start = 0;
    for (;;) {
        while (start < count && buffer[start] != kDongleStart) {
            ++start;
        }
        *consumed = start;
        if (count - start < kDongleFrameOverhead) {
            return std::nullopt;
        }
        const uint8_t* frame = buffer + start;
        const size_t n = static_cast<size_t>(frame[3] | frame[4] << 8);
        if (kDongleFrameOverhead + n > capacity) {
            ++start;  // a stray 02: no frame this long fits, so look for the next start byte
            continue;
        }
        if (count - start < kDongleFrameOverhead + n) {
            return std::nullopt;
        }
        DongleFrame taken;
        taken.type = frame[1];
        taken.opcode = frame[2];
        taken.body.assign(frame + 6, frame + 6 + n);
        *consumed = start + kDongleFrameOverhead + n;
        return taken;
    }
}

std::optional<BluetoothAddress> InquiryResultAddress(const std::vector<uint8_t>& body,
                                                     uint16_t classFilter) {
    if (body.size() < 6 ||
        (classFilter != 0 && (body.size() < 9 || (body[6] | body[7] << 8) != classFilter))) {
        return std::nullopt;
    }
    BluetoothAddress address;
    std::copy_n(body.begin(), address.size(), address.begin());
    return address;
}

std::array<uint8_t, 32> RemoteNameArea(const std::vector<uint8_t>& body) {
    std::array<uint8_t, 32> area{};
    if (body.size() > 8 && body[0] == 0) {
        const size_t n = std::min({size_t{body[7]}, kMaxRemoteNameBytes, body.size() - 8});
        std::copy_n(body.begin() + 8, n, area.begin());
    }
    return area;
}

DataBytes DataIndicationBytes(const std::vector<uint8_t>& body, size_t room) {
    DataBytes bytes;
    if (body.size() >= 3 && body[0] == kDongleLink) {
        const size_t length = static_cast<size_t>(body[1] | body[2] << 8);
        bytes.offset = 3;
        bytes.count = std::min({length, body.size() - 3, room});
    }
    return bytes;
}

std::vector<uint8_t> InquiryPayload(uint32_t waitMs) {
    const uint32_t periods = waitMs / 1300;
    const uint8_t d = periods == 0 ? 48 : static_cast<uint8_t>(std::min<uint32_t>(periods - 1, 48));
    return {d, 0x00, 0x00};
}

std::vector<uint8_t> ConnectPayload(const BluetoothAddress& address, uint8_t linkParameter) {
    std::vector<uint8_t> payload{kDongleLink};
    payload.insert(payload.end(), address.begin(), address.end());
    payload.push_back(linkParameter);
    return payload;
}

std::vector<uint8_t> DataPayload(const uint8_t* data, size_t count) {
    std::vector<uint8_t> payload{kDongleLink, static_cast<uint8_t>(count & 0xFF),
                                 static_cast<uint8_t>(count >> 8 & 0xFF)};
    payload.insert(payload.end(), data, data + count);
    return payload;
}

}  // namespace vesmor
