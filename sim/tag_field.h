#pragma once
// The simulated reader's field: ISO 15693 transponders of every chip family the library treats
// specially, anticollision over 16 slots with masks, tags entering and leaving. All methods are
// safe to call from any thread.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/reader_engine.h"

namespace vesmor::sim {

// UID as the transponder sends it: least significant byte first, byte 7 = 0xE0,
// byte 6 = IC manufacturer code, byte 5 = chip type.
using Uid = std::array<uint8_t, 8>;

enum class ChipKind {
    kStSmall,     // "st": STMicroelectronics, 64 blocks of 4 bytes
    kStLarge,     // "st-large": 2048 blocks of 4 bytes; memory size only with flag 0x08
    kNxp,         // "nxp": ICODE-like, 28 blocks of 4 bytes
    kNxp48,       // "nxp48": reports 48 blocks but has 8
    kInfineon,    // "infineon": 64 blocks of 8 bytes, custom commands only, blocks 0-2 read-only
    kTi,          // "ti": Tag-it-like, 8 blocks of 4 bytes, no system information, writes need
                  // 0x40, no Read Multiple Blocks
    kFujitsu,     // "fujitsu": 8-byte blocks, answers only with the sub-carrier flag clear
    kEm,          // "em": read only through Read Multiple Blocks, last block unreadable
    kUnknown,     // "unknown": a maker the library has no rules for
    kLocked,      // "locked": NXP-like with blocks 0-3 locked (ISO error 0x12)
    kFlakyWrite,  // "flaky-write": writes the block, but its answer to a write is lost
    kLeaving,     // "leaving": leaves the field in the middle of its first write
    kNxpRuns8,    // "nxp-runs8": NXP-like, 112 blocks, Read Multiple Blocks of at most 8 blocks
};

// "st", "st-large", ... as listed above; nullopt for an unknown name.
std::optional<ChipKind> ChipKindByName(const std::string& name);
std::string ChipKindName(ChipKind kind);
// Names of every kind, for help texts.
std::vector<std::string> ChipKindNames();

// A UID of that kind's maker and chip type, with serial as the low 40 bits.
Uid MakeUid(ChipKind kind, uint64_t serial);
// Parses 16 hexadecimal digits written most significant byte first ("E004010012345678").
std::optional<Uid> ParseUid(const std::string& text);
std::string UidText(const Uid& uid);

struct TagGeometry {
    int blockCount;
    int blockSize;
};
TagGeometry GeometryOf(ChipKind kind);

class SimTag;

class TagField : public IsoField {
  public:
    TagField();
    ~TagField() override;

    // Puts a transponder into the field; without a UID one is made from a running serial.
    Uid Insert(ChipKind kind, std::optional<Uid> uid = std::nullopt);
    bool Remove(const Uid& uid);
    // The tag is on its way out: from now on it answers no request (a write that comes later
    // fails as it would on a tag gone), while Block() still shows what it holds until Remove().
    // False: no such tag.
    bool MoveOutOfReach(const Uid& uid);
    void Clear();
    std::vector<Uid> Uids() const;
    // Contents of one block of a tag in the field (nullopt: no such tag or block).
    std::optional<std::vector<uint8_t>> Block(const Uid& uid, int block) const;
    // Sets a block's contents directly (tests and demos); false: no such tag or block, or not
    // the block size.
    bool SetBlock(const Uid& uid, int block, const std::vector<uint8_t>& bytes);
    // The tag leaves the field during a write after `writes` accepted writes; false: no such
    // tag.
    bool LeaveAfterWrites(const Uid& uid, int writes);
    // Every ISO request the field received, as passed through the reader.
    std::vector<std::vector<uint8_t>> IsoRequests() const;
    void ClearIsoRequests();

    ReaderAnswer HandleIso(const std::vector<uint8_t>& isoRequest, int protocolType) override;

  private:
    ReaderAnswer Inventory(const std::vector<uint8_t>& request, int protocolType);
    ReaderAnswer Command(const std::vector<uint8_t>& request, int protocolType);

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<SimTag>> tags_;
    std::vector<std::vector<uint8_t>> isoRequests_;
    uint64_t nextSerial_ = 1;
};

}  // namespace vesmor::sim
