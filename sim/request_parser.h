#pragma once
// Picks the request frames of one protocol type out of the bytes a simulated reader receives.
// Bytes that cannot start a valid frame (another protocol type, another bus address, a bad
// checksum) are dropped one at a time, as a reader that resynchronises on its start byte does.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vesmor::sim {

struct Request {
    uint8_t command = 0;         // as on the wire (translated for types 2 and 3)
    std::vector<uint8_t> data;   // bytes after the length byte, without checksum
    std::vector<uint8_t> frame;  // the whole frame as received
};

class RequestParser {
  public:
    RequestParser(int protocolType, uint8_t busAddress)
        : protocolType_(protocolType), busAddress_(busAddress) {}

    std::vector<Request> Feed(const uint8_t* bytes, size_t count);
    void Reset() { buffer_.clear(); }

  private:
    enum class Front { kComplete, kNeedMore, kInvalid };
    Front ParseFront(Request& request) const;

    int protocolType_;
    uint8_t busAddress_;
    std::vector<uint8_t> buffer_;
};

// Frames an answer of the simulated reader: status (or, for types 2 and 3, the echoed command
// on success), data; chained marks a length byte of 0xFF whose data are blocks + terminator.
std::vector<uint8_t> FrameAnswer(int protocolType, uint8_t busAddress, uint8_t status,
                                 const std::vector<uint8_t>& data, bool chained);

}  // namespace vesmor::sim
