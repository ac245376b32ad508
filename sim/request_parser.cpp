#include "sim/request_parser.h"

#include "library/checksum.h"

namespace vesmor::sim {

RequestParser::Front RequestParser::ParseFront(Request& request) const {
    const std::vector<uint8_t>& b = buffer_;
    size_t header;
    size_t trailer;
    size_t commandIndex;
    switch (protocolType_) {
        case 0:
            if (b[0] != 0x02)
                return Front::kInvalid;
            header = 4, trailer = 1, commandIndex = 2;
            break;
        case 1:
            if (b[0] != busAddress_)
                return Front::kInvalid;
            header = 3, trailer = 2, commandIndex = 1;
            break;
        default:
            if (b[0] != 0x1E)
                return Front::kInvalid;
            header = 3, trailer = 0, commandIndex = 1;
            break;
    }
    if (b.size() < header) {
        return Front::kNeedMore;
    }
    const size_t total = header + b[header - 1] + trailer;
    if (b.size() < total) {
        return Front::kNeedMore;
    }
    if (protocolType_ == 0 && (b[1] != busAddress_ || Bcc(&b[1], total - 2) != b[total - 1])) {
        return Front::kInvalid;
    }
    if (protocolType_ == 1 &&
        Crc16Modbus(b.data(), total - 2) != (b[total - 2] | b[total - 1] << 8)) {
        return Front::kInvalid;
    }
    request.command = b[commandIndex];
    request.data.assign(b.begin() + static_cast<long>(header),
                        b.begin() + static_cast<long>(total - trailer));
    request.frame.assign(b.begin(), b.begin() + static_cast<long>(total));
    return Front::kComplete;
}

std::vector<Request> RequestParser::Feed(const uint8_t* bytes, size_t count) {
    buffer_.insert(buffer_.end(), bytes, bytes + count);
    std::vector<Request> requests;
    while (!buffer_.empty()) {
        Request request;
        const Front front = ParseFront(request);
        if (front == Front::kNeedMore) {
            break;
        }
        if (front == Front::kInvalid) {
            buffer_.erase(buffer_.begin());
            continue;
        }
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(request.frame.size()));
        requests.push_back(std::move(request));
    }
    return requests;
}

std::vector<uint8_t> FrameAnswer(int protocolType, uint8_t busAddress, uint8_t status,
                                 const std::vector<uint8_t>& data, bool chained) {
    std::vector<uint8_t> frame;
    if (protocolType == 0) {
        frame = {0x02, busAddress, status};
    } else if (protocolType == 1) {
        frame = {busAddress, status};
    } else {
        frame = {0x1E, status};
    }
    frame.push_back(chained ? 0xFF : static_cast<uint8_t>(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    if (protocolType == 0) {
        frame.push_back(Bcc(frame.data() + 1, frame.size() - 1));
    } else if (protocolType == 1) {
        const uint16_t crc = Crc16Modbus(frame.data(), frame.size());
        frame.push_back(static_cast<uint8_t>(crc & 0xFF));
        frame.push_back(static_cast<uint8_t>(crc >> 8));
    }
    return frame;
}

}  // namespace vesmor::sim
