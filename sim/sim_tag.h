#pragma once
// One simulated ISO 15693 transponder: its memory and how its chip answers requests.

#include <cstdint>
#include <optional>
#include <vector>

#include "sim/tag_field.h"

namespace vesmor::sim {

// What the chip family does differently.
struct ChipProfile {
    ChipKind kind;
    const char* name;
    uint8_t maker;     // UID byte 6
    uint8_t chipType;  // UID byte 5
    int blockCount;
    int blockSize;
    bool systemInformation = true;          // answers Get System Information
    bool memorySizeNeedsExtension = false;  // and gives the memory size only with flag 0x08
    int reportedBlockCount = 0;             // a count the chip reports instead of its own
    bool customCommandsOnly = false;        // reads and writes only through 0xA0 0x05
    int readOnlyBlocks = 0;                 // blocks 0..n-1 cannot be written
    bool writeNeedsOption = false;          // writes only with the option flag 0x40
    bool needsSubcarrierClear = false;      // silent unless the sub-carrier flag is clear
    bool readMultipleOnly = false;          // no Read Single Block
    bool readMultipleRefused = false;       // no Read Multiple Blocks
    int readMultipleLimit = 0;              // longer Read Multiple Blocks runs are refused
    bool lastBlockUnreadable = false;
    int lockedBlocks = 0;           // blocks 0..n-1 locked
    bool losesWriteAnswer = false;  // writes, but does not answer the write
    bool leavesOnWrite = false;     // leaves the field during its first write
};

const ChipProfile& ProfileOf(ChipKind kind);

// A request as the tag sees it.
struct IsoRequest {
    uint8_t flags = 0;
    uint8_t command = 0;
    int customMaker = -1;
    std::optional<Uid> address;
    std::vector<uint8_t> parameters;
};
// Parses flags, command, maker code of custom commands, the UID when addressed, parameters.
std::optional<IsoRequest> ParseIsoRequest(const std::vector<uint8_t>& bytes);

class SimTag {
  public:
    SimTag(ChipKind kind, const Uid& uid);

    const Uid& GetUid() const { return uid_; }
    uint64_t UidValue() const;
    const ChipProfile& Profile() const { return profile_; }
    uint8_t Dsfid() const { return 0x00; }
    uint8_t Afi() const { return 0x00; }
    bool HasLeft() const { return left_; }
    // Out of the reader's reach on its way out of the field: it hears no request any more, while
    // its blocks can still be looked at.
    void MoveOutOfReach() { outOfReach_ = true; }
    // Silent to requests with the sub-carrier flag set when the chip needs it clear, and to every
    // request once out of reach.
    bool Hears(uint8_t flags) const;
    std::optional<std::vector<uint8_t>> Block(int block) const;
    bool SetBlock(int block, const std::vector<uint8_t>& bytes);
    // The tag leaves the field during its write after `writes` more accepted writes (negative:
    // never).
    void LeaveAfterWrites(int writes) { writesBeforeLeaving_ = writes; }

    // The tag's response (response flags first); nullopt when it stays silent.
    std::optional<std::vector<uint8_t>> Respond(const IsoRequest& request);

  private:
    std::vector<uint8_t> SystemInformation(bool extension) const;
    std::optional<std::vector<uint8_t>> ReadSingle(const IsoRequest& request) const;
    std::optional<std::vector<uint8_t>> ReadMultiple(const IsoRequest& request) const;
    std::optional<std::vector<uint8_t>> WriteSingle(const IsoRequest& request);
    std::optional<std::vector<uint8_t>> Custom(const IsoRequest& request);
    // Block number at the start of the parameters (two bytes for STMicroelectronics chips with
    // the protocol extension flag); nullopt when the parameters are too short.
    std::optional<int> BlockNumber(const IsoRequest& request, size_t& used) const;
    std::vector<uint8_t> ReadBlocks(int first, int count, bool withSecurity) const;
    bool Readable(int block) const;
    // Counts a write the chip is about to store; true when the tag leaves instead.
    bool LeavesNow();

    const ChipProfile& profile_;
    Uid uid_;
    std::vector<uint8_t> memory_;
    bool left_ = false;
    bool outOfReach_ = false;
    int writesBeforeLeaving_ = -1;
};

}  // namespace vesmor::sim
