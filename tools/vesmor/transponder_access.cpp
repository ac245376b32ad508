#include "tools/vesmor/transponder_access.h"
#include "tools/vesmor/tool_text.h"

#include <algorithm>
#include <iostream>

#include "app/core/tag_image.h"
#include "app/core/tag_layout.h"
#include "app/core/transponder_text.h"
#include "common/messages.h"
#include "tools/vesmor/common.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

// In an inventory request the addressed flag asks for one slot only.
constexpr int32_t kOneSlotFlag = 0x20;
constexpr size_t kRecord = 11;
// Blocks per VESMOR_ReadBlocks call: eight whole runs of 63 four-byte blocks, so that progress
// is shown often without costing an exchange.
constexpr int32_t kBlocksPerCall = 8 * 63;

// Names the transponders of a 16-slot inventory so that the user can pick one with --uid.
void ListTransponders(int32_t handle, int32_t flags) {
    uint8_t records[kRecord * 64];
    const int32_t n = VESMOR_Inventory(handle, records, sizeof records, flags & ~kOneSlotFlag);
    if (n <= 0) {
        return;
    }
    for (int32_t i = 0; i + static_cast<int32_t>(kRecord) <= n; i += kRecord) {
        std::cerr << "  " << tagforge::UidText(std::span<const uint8_t, 8>(records + i + 3, 8))
                  << "\n";
    }
    std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor", "Wählen Sie einen davon mit --uid.")) << "\n";
}

// The last block of a call: segments end at block 255 where the block numbers of the blocks
// after it need the protocol extension flag.
int32_t CallEnd(const Uid* uid, int32_t block, int32_t end) {
    int32_t last = std::min(end, block + kBlocksPerCall);
    if (uid && (*uid)[6] == tagforge::kMakerStMicroelectronics && block <= 255 && last > 256) {
        last = 256;
    }
    return last;
}

}  // namespace

std::optional<std::vector<uint8_t>> ParseHexBytes(const std::string& text) {
    return tagforge::ParseHexBytes(text);
}

std::optional<Uid> ParseUidText(const std::string& text) {
    const std::optional<std::vector<uint8_t>> bytes = ParseHexBytes(text);
    if (text.size() != 16 || !bytes || bytes->size() != 8) {
        return std::nullopt;
    }
    Uid uid;
    for (size_t i = 0; i < 8; ++i) {
        uid[i] = (*bytes)[7 - i];
    }
    return uid;
}

CLI::Validator UidFormat() {
    return CLI::Validator(
        [](std::string& text) {
            return ParseUidText(text) ? std::string()
                                      : "a UID is 16 hexadecimal digits, e.g. E004010012345678";
        },
        "UID");
}

std::optional<Uid> FindSingleTransponder(int32_t handle, int32_t flags) {
    uint8_t records[11 * 16];
    const int32_t n = VESMOR_Inventory(handle, records, sizeof records, flags | kOneSlotFlag);
    if (n == 11) {
        Uid uid;
        std::copy(records + 3, records + 11, uid.begin());
        return uid;
    }
    const int32_t error = VESMOR_GetLastError(handle);
    if (n > 11 || (n < 0 && error == VESMOR_ERR_COLLISION)) {
        std::cerr << tagforge::MessageText(tagforge::kMsgSeveralTransponders) << "\n";
        ListTransponders(handle, flags);
    } else if (n == 0 || error == VESMOR_ERR_NO_TRANSPONDER) {
        std::cerr << tagforge::MessageText(tagforge::kMsgNoTransponderInField) << "\n";
    } else {
        ReportLibraryError(handle, "VESMOR_Inventory");
    }
    return std::nullopt;
}

std::optional<TagGeometry> ReadGeometry(int32_t handle, const Uid& uid, int32_t flags) {
    TagGeometry geometry;
    if (VESMOR_GetTagInfo(handle, uid.data(), 8, &geometry.blockCount, &geometry.blockSize,
                          &geometry.icManufacturer, flags) != 0) {
        ReportLibraryError(handle, "VESMOR_GetTagInfo");
        return std::nullopt;
    }
    return geometry;
}

std::optional<Target> FindTarget(int32_t handle, int32_t flags, const std::string& uidText) {
    const std::optional<Uid> uid =
        uidText.empty() ? FindSingleTransponder(handle, flags) : ParseUidText(uidText);
    if (!uid) {
        return std::nullopt;
    }
    const std::optional<TagGeometry> geometry = ReadGeometry(handle, *uid, flags);
    if (!geometry) {
        return std::nullopt;
    }
    return Target{*uid, *geometry};
}

std::optional<BlockData> ReadBlockRange(int32_t handle, const Uid* uid, int32_t first,
                                        int32_t count, int32_t flags, bool single,
                                        const std::function<void(int32_t)>& progress) {
    BlockData blocks;
    const int32_t end = first + count;
    for (int32_t block = first; block < end;) {
        const int32_t last = single ? block + 1 : CallEnd(uid, block, end);
        const int32_t n = last - block;
        const int32_t blockFlags = uid ? FlagsForBlock(flags, *uid, last - 1) : flags;
        std::vector<uint8_t> data(static_cast<size_t>(n) * 256);
        const int32_t got =
            single ? VESMOR_ReadBlock(handle, block, data.data(), static_cast<int32_t>(data.size()),
                                      uid ? uid->data() : nullptr, uid ? 8 : 0, blockFlags)
                   : VESMOR_ReadBlocks(handle, block, n, data.data(),
                                       static_cast<int32_t>(data.size()),
                                       uid ? uid->data() : nullptr, uid ? 8 : 0, blockFlags);
        if (got < 0 || got % n != 0) {
            ReportLibraryError(handle, n == 1 ? "Block " + std::to_string(block)
                                              : "Blöcke " + std::to_string(block) + " bis " +
                                                    std::to_string(last - 1));
            return std::nullopt;
        }
        const size_t each = static_cast<size_t>(got / n);
        for (int32_t i = 0; i < n; ++i) {
            const auto begin = data.begin() + static_cast<long>(each * static_cast<size_t>(i));
            blocks.emplace_back(begin, begin + static_cast<long>(each));
        }
        block = last;
        if (progress) {
            progress(block - first);
        }
    }
    return blocks;
}

int32_t FlagsForBlock(int32_t flags, const Uid& uid, int32_t block) {
    return tagforge::BlockRequestFlags(flags, uid[6], block);
}

}  // namespace vesmor::cli
