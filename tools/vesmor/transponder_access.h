#pragma once
// Shared steps of the transponder commands: UID and data options, finding the one transponder
// in the field, and its geometry.

#include <CLI/CLI.hpp>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vesmor::cli {

using Uid = std::array<uint8_t, 8>;  // least significant byte first, as on the air

// Request flags option: the window's `RequestFlag` default.
constexpr int32_t kDefaultRequestFlags = 1;

// "E004010012345678" (most significant byte first) -> UID; nullopt when not 16 hex digits.
std::optional<Uid> ParseUidText(const std::string& text);
// The --uid option of the transponder commands: 16 hexadecimal digits.
CLI::Validator UidFormat();
// Hexadecimal bytes, blanks allowed between pairs; nullopt for anything else.
std::optional<std::vector<uint8_t>> ParseHexBytes(const std::string& text);

// The UID of the single transponder in the field (a one-slot inventory). Prints the reason
// ("Kein Transponder vorhanden", "Im Feld sind mehrere Transponder", a library error) when there
// is none.
std::optional<Uid> FindSingleTransponder(int32_t handle, int32_t flags);

struct TagGeometry {
    int32_t blockCount = 0;
    int32_t blockSize = 0;
    int32_t icManufacturer = 0;
};
// System information of the transponder; prints the library error on failure.
std::optional<TagGeometry> ReadGeometry(int32_t handle, const Uid& uid, int32_t flags);

// The transponder named by a UID text (empty: the single one in the field) with its geometry;
// prints the reason when there is none.
struct Target {
    Uid uid;
    TagGeometry geometry;
};
std::optional<Target> FindTarget(int32_t handle, int32_t flags, const std::string& uidText);

// Blocks from first on, each as the bytes its read gave; nullopt after printing the library
// error. Runs of VESMOR_ReadBlocks, or with single one VESMOR_ReadBlock per block. uid may be
// null (the single transponder, unaddressed). progress, when set, hears the blocks read so far.
using BlockData = std::vector<std::vector<uint8_t>>;
std::optional<BlockData> ReadBlockRange(int32_t handle, const Uid* uid, int32_t first,
                                        int32_t count, int32_t flags, bool single,
                                        const std::function<void(int32_t)>& progress = {});

// Flags for a block: STMicroelectronics chips need the protocol extension flag for block
// numbers above 255.
int32_t FlagsForBlock(int32_t flags, const Uid& uid, int32_t block);

}  // namespace vesmor::cli
