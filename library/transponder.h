#pragma once
// ISO 15693 transponder operations on one port: each is a transparent request inside reader
// command 0x20, adapted to the transponder's chip maker (IC manufacturer code, UID byte 6).

#include <array>
#include <cstdint>
#include <optional>

#include "library/byte_array.h"
#include "library/port.h"

namespace vesmor {

using TransponderUid = std::array<uint8_t, 8>;

// Library options above the ISO request-flags byte.
constexpr int32_t kOptionInfineon = 0x100;
constexpr int32_t kOptionTexasInstruments = 0x400;
constexpr int32_t kOptionEm = 0x800;
constexpr int32_t kOptionClearSubcarrier = 0x2000;
constexpr int32_t kOptionRaw = 0x8000;

// ISO 15693 request flags.
constexpr uint8_t kFlagSubcarrier = 0x01;
constexpr uint8_t kFlagInventory = 0x04;
constexpr uint8_t kFlagProtocolExtension = 0x08;
constexpr uint8_t kFlagAfi = 0x10;
constexpr uint8_t kFlagAddressed = 0x20;  // in an inventory: one slot only
constexpr uint8_t kFlagOption = 0x40;

// ISO 15693 command sent by both the one-block and the many-block reads.
constexpr uint8_t kIsoReadMultipleBlocks = 0x23;

// IC manufacturer codes with rules of their own.
constexpr uint8_t kMakerSt = 0x02;
constexpr uint8_t kMakerNxp = 0x04;
constexpr uint8_t kMakerInfineon = 0x05;
constexpr uint8_t kMakerTexasInstruments = 0x07;
constexpr uint8_t kMakerFujitsu = 0x08;
constexpr uint8_t kMakerEm = 0x16;

// Flags after the addressing and sub-carrier rules, with the UID they refer to.
struct Addressing {
    int32_t flags = 0;
    std::optional<TransponderUid> uid;
    int maker = -1;  // UID byte 6 when a UID is given and the rules apply

    bool Raw() const { return (flags & kOptionRaw) != 0; }
    bool Infineon() const {
        return !Raw() && ((flags & kOptionInfineon) || maker == kMakerInfineon);
    }
    bool TexasInstruments() const {
        return !Raw() && ((flags & kOptionTexasInstruments) || maker == kMakerTexasInstruments);
    }
    bool Em() const { return !Raw() && ((flags & kOptionEm) || maker == kMakerEm); }
    // 16-bit block numbers: protocol extension flag, a UID given, and an STMicroelectronics chip.
    bool WideBlockNumbers() const {
        return (flags & kFlagProtocolExtension) && uid && (*uid)[6] == kMakerSt;
    }
};

// A UID counts as given only with a pointer and a length of exactly 8.
std::optional<TransponderUid> GivenUid(const uint8_t* uid, int32_t uidLength);

// Unless the raw option is set: a given UID sets the addressed flag and names the maker; the
// sub-carrier flag is cleared for option 0x2000 and for Fujitsu chips.
Addressing ApplyFlagRules(int32_t flags, std::optional<TransponderUid> uid);

class TransponderCommands {
  public:
    explicit TransponderCommands(CVESMOR_Port& port) : port_(port) {}

    int32_t Inventory(uint8_t* buffer, int32_t size, int32_t flags);
    int32_t GetTagInfo(std::optional<TransponderUid> uid, int32_t* blockCount, int32_t* blockSize,
                       int32_t* icManufacturer, int32_t flags);
    int32_t ReadBlock(int32_t block, uint8_t* buffer, int32_t size,
                      std::optional<TransponderUid> uid, int32_t flags);
    int32_t WriteBlock(int32_t block, const uint8_t* data, int32_t length,
                       std::optional<TransponderUid> uid, int32_t flags);
    // count blocks from first on, through Read Multiple Blocks where the chip allows it; the
    // same bytes (or the same error) as count calls of ReadBlock.
    int32_t ReadBlocks(int32_t first, int32_t count, uint8_t* buffer, int32_t size,
                       std::optional<TransponderUid> uid, int32_t flags);

  private:
    // Inventory
    bool RunInventory(int32_t flags, CMyByteArray& records);
    bool InventoryPass(int32_t flags, uint8_t afi, int maskLength, uint64_t mask,
                       CMyByteArray& records);
    bool IsCollision(uint8_t slotStatus) const;
    std::optional<TransponderUid> FindSingleUid(int32_t flags);

    // System information: the result block, or nullopt on failure.
    std::optional<CMyByteArray> SystemInformation(int32_t flags, std::optional<TransponderUid> uid);
    static CMyByteArray DerivedInfineonInformation(const TransponderUid& uid);

    // Block access
    bool AppendBlockNumber(CMyByteArray& request, const Addressing& a, int32_t block);
    std::optional<CMyByteArray> ReadBlockData(int32_t block, const Addressing& a);
    // Copies one block's answer after those already in the caller's buffer (error 5 when it
    // does not fit).
    bool CopyOut(const CMyByteArray& data, uint8_t* buffer, int32_t size, int32_t& written);
    // Block after block with ReadBlock's rules, from first to end (exclusive).
    bool ReadEachBlock(int32_t first, int32_t end, const Addressing& a, uint8_t* buffer,
                       int32_t size, int32_t& written);
    std::optional<CMyByteArray> ReadMultipleRun(int32_t first, int32_t count, const Addressing& a);
    bool VerifyWritten(int32_t block, const uint8_t* data, int32_t length,
                       std::optional<TransponderUid> uid, int32_t flags);

    // Sends flags byte, ISO command and the rest as command 0x20 and checks the ISO answer.
    bool IsoExchange(const CMyByteArray& isoRequest, CMyByteArray& answer);
    // The request head: flags byte, command, [manufacturer code,] then the UID when addressed.
    static CMyByteArray RequestHead(const Addressing& a, uint8_t command, int customMaker = -1);

    CVESMOR_Port& port_;
    int inventoryPassesLeft_ = 0;  // nested passes the running inventory may still start
};

}  // namespace vesmor
