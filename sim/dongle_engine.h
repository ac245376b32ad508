#pragma once
// A simulated Bluetooth USB dongle with a Bluetooth reader in range: it answers the dongle's
// requests (inquiry, remote name, connect, data, disconnect, reset) as the maker's dongle does
// and carries the data of the link to and from a simulated reader.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/reader_engine.h"

namespace vesmor::sim {

struct DongleConfig {
    std::array<uint8_t, 6> readerAddress{0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
    std::string readerName = "VEK-BT Reader";
    uint16_t readerClass = 0x0500;
    bool readerInRange = true;
    // Also in range: a device of another class that the inquiry finds first.
    bool otherDevice = true;
    uint8_t connectRefusal = 0;  // nonzero: every connect is refused with this status
    // Name requests answered with an empty name before the name comes.
    int emptyNameAnswers = 0;
};

// What the dongle saw, for tests.
struct DongleLog {
    int resets = 0;
    int inquiries = 0;
    int nameRequests = 0;
    int connects = 0;
    int disconnects = 0;
    int dataRequests = 0;
};

class DongleEngine {
  public:
    DongleEngine(ReaderEngine& reader, const DongleConfig& config);

    // Bytes from the host; the replies are dongle frames.
    std::vector<Reply> OnBytes(const uint8_t* bytes, size_t count);
    // Forgets a partly received frame (the line was idle).
    void ResetParser() { buffer_.clear(); }
    // The reader leaves the range or comes back; leaving drops the link.
    std::vector<Reply> SetReaderInRange(bool inRange);
    bool IsLinkUp() const { return linkUp_; }
    void SetConfig(const DongleConfig& config) { config_ = config; }
    const DongleLog& Log() const { return log_; }

  private:
    std::vector<Reply> Handle(uint8_t opcode, const std::vector<uint8_t>& body);
    std::vector<Reply> OnData(const std::vector<uint8_t>& body);

    ReaderEngine& reader_;
    DongleConfig config_;
    DongleLog log_;
    std::vector<uint8_t> buffer_;
    bool linkUp_ = false;
    int emptyNamesLeft_ = 0;
};

}  // namespace vesmor::sim
