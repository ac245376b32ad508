// The Bluetooth dongle's byte stream as the host takes it in: bytes arrive in chunks of any
// size into the frame buffer (never more than it has room for; the rest waits in the device),
// frames are taken off its front with resynchronisation on stray bytes, and the events' bodies
// are read as the host reads them. Checked: every frame taken is the bytes it was cut from
// (header and payload re-encode to them), the frames do not depend on how the stream was
// chunked, a full buffer always gives way, and the event fields stay inside their bodies.
//
// Input: chunks, each a length byte and that many bytes of the stream.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "transports/bt_dongle.h"
#include "transports/bt_dongle_frame.h"

namespace {

using Bytes = std::vector<uint8_t>;
using vesmor::DongleFrame;

constexpr size_t kCapacity = vesmor::CBluetoothDongle::kBufferSize;

void Require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

void CheckEventBodies(const DongleFrame& frame, size_t room) {
    const Bytes& body = frame.body;
    if (const auto address = vesmor::InquiryResultAddress(body, 0)) {
        Require(body.size() >= 6 && std::equal(address->begin(), address->end(), body.begin()));
    }
    if (vesmor::InquiryResultAddress(body, vesmor::CBluetoothDongle::kReaderClass)) {
        Require(body.size() >= 9 && (body[6] | body[7] << 8) == 0x0500);
    }
    const auto name = vesmor::RemoteNameArea(body);
    size_t named = 0;
    if (body.size() > 8 && body[0] == 0) {
        named = std::min<size_t>({body[7], vesmor::kMaxRemoteNameBytes, body.size() - 8});
        Require(std::equal(name.begin(), name.begin() + static_cast<ptrdiff_t>(named),
                           body.begin() + 8));
    }
    Require(std::all_of(name.begin() + static_cast<ptrdiff_t>(named), name.end(),
                        [](uint8_t b) { return b == 0; }));
    const vesmor::DataBytes data = vesmor::DataIndicationBytes(body, room);
    Require(data.count <= room && data.offset + data.count <= body.size());
    if (data.count > 0) {
        Require(data.offset == 3 && body[0] == vesmor::kDongleLink &&
                data.count <= static_cast<size_t>(body[1] | body[2] << 8));
    }
}

// Takes the stream in chunks of the given sizes (0: as much as there is room for) the way the
// dongle's poll does, and returns the frames in order.
std::vector<DongleFrame> Decode(const Bytes& stream, const std::vector<size_t>& chunks) {
    std::vector<DongleFrame> frames;
    Bytes buffer;
    size_t delivered = 0;
    size_t next = 0;
    for (int idle = 0; idle < 2;) {
        const size_t room = kCapacity - buffer.size();
        size_t want = next < chunks.size() ? chunks[next++] : room;
        want = std::min({want == 0 ? room : want, room, stream.size() - delivered});
        buffer.insert(buffer.end(), stream.begin() + static_cast<ptrdiff_t>(delivered),
                      stream.begin() + static_cast<ptrdiff_t>(delivered + want));
        delivered += want;

        size_t consumed = 0;
        const auto frame =
            vesmor::TakeDongleFrame(buffer.data(), buffer.size(), kCapacity, &consumed);
        Require(consumed <= buffer.size());
        // A buffer without room must lose bytes or give a frame, or the dongle stalls.
        Require(buffer.size() < kCapacity || consumed > 0);
        if (frame) {
            const Bytes encoded =
                vesmor::EncodeDongleFrame(frame->type, frame->opcode, frame->body);
            const size_t start = consumed - encoded.size();
            Require(consumed >= encoded.size() && buffer[start] == vesmor::kDongleStart);
            // Header and payload are the bytes taken; checksum and end byte are not checked.
            Require(std::equal(encoded.begin(), encoded.begin() + 5,
                               buffer.begin() + static_cast<ptrdiff_t>(start)));
            Require(std::equal(frame->body.begin(), frame->body.end(),
                               buffer.begin() + static_cast<ptrdiff_t>(start + 6)));
            // The host's data buffer may be empty or nearly full.
            CheckEventBodies(*frame, kCapacity);
            CheckEventBodies(*frame, 2);
            frames.push_back(*frame);
        }
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(consumed));
        idle = (!frame && delivered == stream.size()) ? idle + 1 : 0;
    }
    return frames;
}

bool SameFrames(const std::vector<DongleFrame>& a, const std::vector<DongleFrame>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const DongleFrame& x, const DongleFrame& y) {
                          return x.type == y.type && x.opcode == y.opcode && x.body == y.body;
                      });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes stream;
    std::vector<size_t> chunks;
    for (size_t at = 0; at < size;) {
        const size_t wanted = data[at++];
        const size_t length = std::min(wanted, size - at);
        stream.insert(stream.end(), data + at, data + at + length);
        chunks.push_back(length);
        at += length;
    }
    const std::vector<DongleFrame> chunked = Decode(stream, chunks);
    const std::vector<DongleFrame> whole = Decode(stream, {});
    Require(SameFrames(chunked, whole));
    // A frame encoded and taken back is the same frame.
    for (const DongleFrame& frame : whole) {
        const Bytes encoded = vesmor::EncodeDongleFrame(frame.type, frame.opcode, frame.body);
        size_t consumed = 0;
        const auto again =
            vesmor::TakeDongleFrame(encoded.data(), encoded.size(), kCapacity, &consumed);
        Require(again && consumed == encoded.size() && again->body == frame.body &&
                again->Event() == frame.Event());
    }
    return 0;
}
