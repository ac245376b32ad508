#include "tools/vesmor/transponder_access.h"

#include <iostream>

#include "app/core/messages.h"
#include "app/core/value_text.h"
#include "tools/vesmor/common.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

// In an inventory request the addressed flag asks for one slot only.
constexpr int32_t kOneSlotFlag = 0x20;

}  // namespace

std::optional<std::vector<uint8_t>> ParseHexBytes(const std::string& text) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || !tagforge::IsHexDigit(text[i]) ||
            !tagforge::IsHexDigit(text[i + 1])) {
            return std::nullopt;
        }
        bytes.push_back(tagforge::HexPairValue(text[i], text[i + 1]));
        i += 2;
    }
    return bytes;
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

int32_t FlagsForBlock(int32_t flags, const Uid& uid, int32_t block) {
    constexpr uint8_t kMakerSt = 0x02;
    return (block > 255 && uid[6] == kMakerSt) ? (flags | 0x08) : flags;
}

}  // namespace vesmor::cli
