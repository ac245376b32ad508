// System information of a transponder: asked with Get System Information, or derived from the
// UID for chips that do not answer it.

#include "library/transponder.h"

namespace vesmor {

namespace {

constexpr uint8_t kIsoGetSystemInformation = 0x2B;
constexpr uint8_t kInfoMemorySize = 0x04;
// Information flags, UID, DSFID, AFI, a two-byte block count with the block size, IC reference:
// the longest valid answer.
constexpr size_t kMaxSystemInformation = 15;
constexpr size_t kMinEvaluated = 11;  // information flags and UID at least

bool IsTagItWithoutInformation(const TransponderUid& uid) {
    const uint8_t type = uid[5];
    return uid[6] == kMakerTexasInstruments &&
           (type == 0xC0 || type == 0xC1 || type == 0xC4 || type == 0xC5);
}

CMyByteArray DerivedInformation(const TransponderUid& uid, uint8_t blockCountMinusOne,
                                uint8_t blockSizeMinusOne) {
    CMyByteArray info = {kInfoMemorySize};
    info.Append(uid.data(), uid.size());
    info.Add(blockCountMinusOne);
    info.Add(blockSizeMinusOne);
    info.Add(0x00);
    return info;
}

// The NXP chip that reports 48 blocks has 8.
void CorrectNxpBlockCount(CMyByteArray& info) {
    if (info.GetSize() == 14 && info[0] == 0x0F && info[6] == 0x03 && info[7] == kMakerNxp &&
        info[8] == 0xE0 && info[11] == 0x2F && info[13] == 0x03) {
        info[11] = 0x07;
    }
}

// Offset of the memory size in a result with these information flags.
size_t MemorySizeOffset(uint8_t infoFlags) {
    return 9 + (infoFlags & 1) + ((infoFlags >> 1) & 1);
}

// Block count and size from the memory size field: the count in one byte or, extended, in two
// (least significant first). Each output is written only when the result holds it.
void ReadMemorySize(const CMyByteArray& info, bool extended, int32_t* blockCount,
                    int32_t* blockSize) {
    const size_t g = MemorySizeOffset(info[0]);
    const size_t countBytes = extended ? 2 : 1;
    if (info.GetSize() < g + countBytes) {
        return;
    }
    // A one-byte count is taken only together with its block size.
    if (!extended && info.GetSize() < g + 2) {
        return;
    }
    if (blockCount) {
        *blockCount = info[g] + (extended ? 256 * info[g + 1] : 0) + 1;
    }
    if (blockSize && info.GetSize() >= g + countBytes + 1) {
        *blockSize = info[g + countBytes] + 1;
    }
}

}  // namespace

CMyByteArray TransponderCommands::DerivedInfineonInformation(const TransponderUid& uid) {
    uint8_t countMinusOne = 0;
    if (uid[5] < 0xA0) {
        static constexpr uint8_t kByChipType[] = {127, 63, 31, 15, 255};
        countMinusOne = kByChipType[uid[5] / 32];
    }
    return DerivedInformation(uid, countMinusOne, 0x07);
}

std::optional<CMyByteArray> TransponderCommands::SystemInformation(
    int32_t flags, std::optional<TransponderUid> givenUid) {
    const Addressing a = ApplyFlagRules(flags, givenUid);
    std::optional<CMyByteArray> info;
    if (a.Infineon()) {
        const std::optional<TransponderUid> uid = givenUid ? givenUid : FindSingleUid(a.flags);
        if (!uid) {
            return std::nullopt;
        }
        info = DerivedInfineonInformation(*uid);
    } else {
        CMyByteArray answer;
        if (IsoExchange(RequestHead(a, kIsoGetSystemInformation), answer)) {
            CorrectNxpBlockCount(answer);
            info = answer;
        } else {
            const std::optional<TransponderUid> uid = givenUid ? givenUid : FindSingleUid(a.flags);
            if (!uid || !IsTagItWithoutInformation(*uid)) {
                return std::nullopt;
            }
            info = DerivedInformation(*uid, 0x07, 0x03);
        }
    }
    if (info->GetSize() > kMaxSystemInformation) {
        port_.SetLastError(5);
        return std::nullopt;
    }
    return info;
}

int32_t TransponderCommands::GetTagInfo(std::optional<TransponderUid> uid, int32_t* blockCount,
                                        int32_t* blockSize, int32_t* icManufacturer,
                                        int32_t flags) {
    const std::optional<CMyByteArray> info = SystemInformation(flags, uid);
    if (!info) {
        return -1;
    }
    if (info->GetSize() < kMinEvaluated) {
        return 0;
    }
    const CMyByteArray& r = *info;
    const uint8_t maker = r[7];
    if (icManufacturer) {
        *icManufacturer = maker;
    }
    // STMicroelectronics chips asked with the protocol extension flag give a two-byte count.
    const bool extended = maker == kMakerSt && (flags & kFlagProtocolExtension);
    if (r[0] & kInfoMemorySize) {
        ReadMemorySize(r, extended, blockCount, blockSize);
        return 0;
    }
    if (maker != kMakerSt) {
        return 0;
    }
    // Large STMicroelectronics chips give their memory size only when asked with that flag.
    const std::optional<CMyByteArray> again =
        SystemInformation(flags | kFlagProtocolExtension, uid);
    if (!again) {
        return -1;
    }
    if (again->GetSize() >= kMinEvaluated && ((*again)[0] & kInfoMemorySize)) {
        ReadMemorySize(*again, true, blockCount, blockSize);
    }
    return 0;
}

}  // namespace vesmor
