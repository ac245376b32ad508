// Whatever a reader sends back: the port's wait and completeness test, the answer checks of all
// four protocol types (chained answers included), and the transponder commands on top (the
// inventory record walk, system information, block reads and writes, Read Multiple Blocks runs).
//
// Input: protocol type, operation, a timeout byte, a parameter byte, then the reader's answers:
// one segment (a length byte and that many bytes) per request the port sends.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "library/port.h"
#include "library/transponder.h"

namespace {

using vesmor::CVESMOR_Port;

// A port whose answers come straight from the fuzz input.
class FuzzPort : public CVESMOR_Port {
  public:
    void Deliver(const uint8_t* bytes, size_t count) { OnReceiveBytes(bytes, count); }
};

// Every request the port writes is answered at once with the next segment of the input (a
// length byte, then that many bytes), the way a reader's bytes arrive while the port waits.
class SegmentTransport : public vesmor::PortTransport {
  public:
    SegmentTransport(FuzzPort& port, const uint8_t* data, size_t size)
        : port_(port), data_(data), size_(size) {}
    int32_t Identifier() const override { return 30001; }
    void Write(const uint8_t*, size_t) override {
        if (offset_ >= size_) {
            return;
        }
        const size_t wanted = data_[offset_++];
        const size_t length = std::min(wanted, size_ - offset_);
        port_.Deliver(data_ + offset_, length);
        offset_ += length;
    }
    void Close() override {}

  private:
    FuzzPort& port_;
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    const int protocolType = data[0] % 4;
    const int operation = data[1] % 7;
    const uint8_t parameter = data[3];
    int64_t clock = 0;
    FuzzPort port;
    port.AttachTransport(CVESMOR_Port::kLanSlot,
                         std::make_unique<SegmentTransport>(port, data + 4, size - 4));
    // Every look at the clock is 100 s later, beyond every wait the commands allow (the
    // inventory's included): a wait ends as soon as what arrived is not a complete answer, and
    // no input costs real time.
    port.SetClock([&clock] { return clock += 100000; });
    port.SetTimeout(data[2] % 3);
    port.SetProtocolType(protocolType);

    vesmor::TransponderCommands commands(port);
    static constexpr uint8_t kUid[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x02, 0x04, 0xE0};
    const auto uid = (parameter & 0x80) ? vesmor::GivenUid(kUid, 8) : std::nullopt;
    const int32_t flags = parameter & 0x7F;
    uint8_t buffer[2048];
    switch (operation) {
        case 0:
            commands.Inventory(buffer, sizeof buffer, flags);
            break;
        case 1: {
            int32_t blocks = 0, blockSize = 0, maker = 0;
            commands.GetTagInfo(uid, &blocks, &blockSize, &maker, flags);
            break;
        }
        case 2:
            commands.ReadBlock(parameter & 0x3F, buffer, sizeof buffer, uid, flags);
            break;
        case 3:
            commands.ReadBlocks(0, 1 + (parameter & 0x3F), buffer, sizeof buffer, uid,
                                flags & 0x4F);
            break;
        case 4: {
            static constexpr uint8_t kBlock[8] = {1, 2, 3, 4, 5, 6, 7, 8};
            commands.WriteBlock(parameter & 0x3F, kBlock, 4 + 4 * (parameter & 1), uid, flags);
            break;
        }
        case 5: {
            // A raw request and its answer through both answer checks.
            port.TransmitBuffer().RemoveAll();
            port.TransmitBuffer().Add(0xB0);
            port.TransmitBuffer().Add(parameter);
            if (port.SendCommand()) {
                CMyByteArray answer;
                port.ReceiveIsoAnswer(answer);
            }
            break;
        }
        default: {
            port.TransmitBuffer().RemoveAll();
            port.TransmitBuffer().Add(0xF0);
            if (port.SendCommand()) {
                CMyByteArray answer;
                port.ReceiveAnswer(answer);
            }
            break;
        }
    }
    return 0;
}
