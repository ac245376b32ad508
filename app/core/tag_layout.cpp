#include "app/core/tag_layout.h"

#include <algorithm>
#include <cstdio>

namespace tagforge {

namespace {

constexpr int32_t kProtocolExtensionFlag = 0x08;
constexpr int kLastOneByteBlock = 255;

}  // namespace

int BlocksPerRow(int blockSize) {
    return (blockSize == 4 || blockSize == 8 || blockSize == 16 || blockSize == 32) ? 4 : 1;
}

BlockRow RowAt(int firstBlock, int blocksPerRow, int blockCount) {
    return {firstBlock, std::min(firstBlock + std::max(blocksPerRow, 1), blockCount) - 1};
}

std::vector<BlockRow> BlockRows(int blockCount, int blocksPerRow) {
    const int step = std::max(blocksPerRow, 1);
    std::vector<BlockRow> rows;
    rows.reserve(static_cast<size_t>(std::max(blockCount, 0) / step + 1));
    for (int first = 0; first < blockCount; first += step) {
        rows.push_back(RowAt(first, step, blockCount));
    }
    return rows;
}

std::string RowLabel(const BlockRow& row) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d - %02d", row.firstBlock, row.lastBlock);
    return text;
}

bool BlockIsRead(int block, int blockCount, int icManufacturer) {
    if (block < 0 || block >= blockCount) {
        return false;
    }
    return !(icManufacturer == kMakerEm4135 && block + 1 == blockCount);
}

int32_t BlockRequestFlags(int32_t flags, int icManufacturer, int block) {
    return (block > kLastOneByteBlock && icManufacturer == kMakerStMicroelectronics)
               ? (flags | kProtocolExtensionFlag)
               : flags;
}

}  // namespace tagforge
