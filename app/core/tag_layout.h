#pragma once
// How the blocks of a transponder are laid out in a table of rows, as the content window and
// `vesmor dump` show them: blocks per row by block size, the row labels, which blocks are read,
// and the request flags a block is read with.

#include <cstdint>
#include <string>
#include <vector>

namespace tagforge {

// IC manufacturer codes (UID byte 6) with rules of their own here.
inline constexpr int kMakerStMicroelectronics = 2;
inline constexpr int kMakerEm4135 = 22;  // its last block cannot be read

// Blocks in one table row: 4 for block sizes 4, 8, 16 and 32, else 1.
int BlocksPerRow(int blockSize);

// One table row: blocks firstBlock..lastBlock (inclusive).
struct BlockRow {
    int firstBlock = 0;
    int lastBlock = 0;
    bool operator==(const BlockRow&) const = default;
};

// The row that begins with `firstBlock`: it ends at min(firstBlock + blocksPerRow,
// blockCount) - 1.
BlockRow RowAt(int firstBlock, int blocksPerRow, int blockCount);

// Every row of a transponder with `blockCount` blocks, from block 0 on; none for a count of 0
// or less. A blocksPerRow below 1 counts as 1.
std::vector<BlockRow> BlockRows(int blockCount, int blocksPerRow);

// The row's first cell, "%02d - %02d" with its first and last block ("00 - 03").
std::string RowLabel(const BlockRow& row);

// Whether block `block` of a transponder is read at all: blocks below the count, except the
// last block of an EM4135.
bool BlockIsRead(int block, int blockCount, int icManufacturer);

// The request flags for reading or writing block `block`: STMicroelectronics chips need the
// protocol extension flag (0x08, two-byte block numbers) for blocks above 255.
int32_t BlockRequestFlags(int32_t flags, int icManufacturer, int block);

}  // namespace tagforge
