#include "sim/sim_tag.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace vesmor::sim {

namespace {

constexpr uint8_t kFlagSubcarrier = 0x01;
constexpr uint8_t kFlagProtocolExtension = 0x08;
constexpr uint8_t kFlagAddressed = 0x20;
constexpr uint8_t kFlagOption = 0x40;

// ISO 15693 error codes.
constexpr uint8_t kNotSupported = 0x01;
constexpr uint8_t kGeneralError = 0x0F;
constexpr uint8_t kBlockNotAvailable = 0x10;
constexpr uint8_t kBlockLocked = 0x12;

constexpr uint8_t kMakerSt = 0x02;
constexpr uint8_t kMakerInfineon = 0x05;

std::vector<uint8_t> Ok() {
    return {0x00};
}
std::vector<uint8_t> Error(uint8_t code) {
    return {0x01, code};
}

const ChipProfile kProfiles[] = {
    {.kind = ChipKind::kStSmall,
     .name = "st",
     .maker = 0x02,
     .chipType = 0x08,
     .blockCount = 64,
     .blockSize = 4},
    {.kind = ChipKind::kStLarge,
     .name = "st-large",
     .maker = 0x02,
     .chipType = 0x2C,
     .blockCount = 2048,
     .blockSize = 4,
     .memorySizeNeedsExtension = true},
    {.kind = ChipKind::kNxp,
     .name = "nxp",
     .maker = 0x04,
     .chipType = 0x01,
     .blockCount = 28,
     .blockSize = 4},
    {.kind = ChipKind::kNxp48,
     .name = "nxp48",
     .maker = 0x04,
     .chipType = 0x03,
     .blockCount = 8,
     .blockSize = 4,
     .reportedBlockCount = 48},
    {.kind = ChipKind::kInfineon,
     .name = "infineon",
     .maker = 0x05,
     .chipType = 0x25,
     .blockCount = 64,
     .blockSize = 8,
     .systemInformation = false,
     .customCommandsOnly = true,
     .readOnlyBlocks = 3},
    {.kind = ChipKind::kTi,
     .name = "ti",
     .maker = 0x07,
     .chipType = 0xC4,
     .blockCount = 8,
     .blockSize = 4,
     .systemInformation = false,
     .writeNeedsOption = true,
     .readMultipleRefused = true},
    {.kind = ChipKind::kFujitsu,
     .name = "fujitsu",
     .maker = 0x08,
     .chipType = 0x01,
     .blockCount = 32,
     .blockSize = 8,
     .needsSubcarrierClear = true},
    {.kind = ChipKind::kEm,
     .name = "em",
     .maker = 0x16,
     .chipType = 0x04,
     .blockCount = 16,
     .blockSize = 4,
     .readMultipleOnly = true,
     .lastBlockUnreadable = true},
    {.kind = ChipKind::kUnknown,
     .name = "unknown",
     .maker = 0x33,
     .chipType = 0x01,
     .blockCount = 32,
     .blockSize = 4},
    {.kind = ChipKind::kLocked,
     .name = "locked",
     .maker = 0x04,
     .chipType = 0x01,
     .blockCount = 28,
     .blockSize = 4,
     .lockedBlocks = 4},
    {.kind = ChipKind::kFlakyWrite,
     .name = "flaky-write",
     .maker = 0x04,
     .chipType = 0x01,
     .blockCount = 28,
     .blockSize = 4,
     .losesWriteAnswer = true},
    {.kind = ChipKind::kNxpRuns8,
     .name = "nxp-runs8",
     .maker = 0x04,
     .chipType = 0x01,
     .blockCount = 112,
     .blockSize = 4,
     .readMultipleLimit = 8},
    {.kind = ChipKind::kLeaving,
     .name = "leaving",
     .maker = 0x04,
     .chipType = 0x01,
     .blockCount = 28,
     .blockSize = 4,
     .leavesOnWrite = true},
};

}  // namespace

const ChipProfile& ProfileOf(ChipKind kind) {
    for (const ChipProfile& p : kProfiles) {
        if (p.kind == kind) {
            return p;
        }
    }
    return kProfiles[0];
}

std::optional<ChipKind> ChipKindByName(const std::string& name) {
    for (const ChipProfile& p : kProfiles) {
        if (name == p.name) {
            return p.kind;
        }
    }
    return std::nullopt;
}

std::string ChipKindName(ChipKind kind) {
    return ProfileOf(kind).name;
}

std::vector<std::string> ChipKindNames() {
    std::vector<std::string> names;
    for (const ChipProfile& p : kProfiles) {
        names.emplace_back(p.name);
    }
    return names;
}

TagGeometry GeometryOf(ChipKind kind) {
    return {ProfileOf(kind).blockCount, ProfileOf(kind).blockSize};
}

Uid MakeUid(ChipKind kind, uint64_t serial) {
    const ChipProfile& p = ProfileOf(kind);
    Uid uid{};
    for (int i = 0; i < 5; ++i) {
        uid[i] = static_cast<uint8_t>(serial >> (8 * i));
    }
    uid[5] = p.chipType;
    uid[6] = p.maker;
    uid[7] = 0xE0;
    return uid;
}

std::optional<Uid> ParseUid(const std::string& text) {
    if (text.size() != 16) {
        return std::nullopt;
    }
    Uid uid{};
    for (int i = 0; i < 8; ++i) {
        const std::string pair = text.substr(2 * static_cast<size_t>(i), 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1]))) {
            return std::nullopt;
        }
        uid[7 - i] = static_cast<uint8_t>(std::stoi(pair, nullptr, 16));
    }
    return uid;
}

std::string UidText(const Uid& uid) {
    static const char* kDigits = "0123456789ABCDEF";
    std::string text;
    for (int i = 7; i >= 0; --i) {
        text += kDigits[uid[i] >> 4];
        text += kDigits[uid[i] & 0xF];
    }
    return text;
}

std::optional<IsoRequest> ParseIsoRequest(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 2) {
        return std::nullopt;
    }
    IsoRequest request;
    request.flags = bytes[0];
    request.command = bytes[1];
    size_t i = 2;
    if (request.command >= 0xA0 && request.command <= 0xDF) {
        if (i >= bytes.size()) {
            return std::nullopt;
        }
        request.customMaker = bytes[i++];
    }
    if (request.flags & kFlagAddressed) {
        if (i + 8 > bytes.size()) {
            return std::nullopt;
        }
        Uid uid;
        std::copy(bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(i + 8),
                  uid.begin());
        request.address = uid;
        i += 8;
    }
    request.parameters.assign(bytes.begin() + static_cast<long>(i), bytes.end());
    return request;
}

SimTag::SimTag(ChipKind kind, const Uid& uid)
    : profile_(ProfileOf(kind)),
      uid_(uid),
      memory_(static_cast<size_t>(profile_.blockCount * profile_.blockSize), 0) {}

uint64_t SimTag::UidValue() const {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = value << 8 | uid_[i];
    }
    return value;
}

bool SimTag::Hears(uint8_t flags) const {
    return !outOfReach_ && !(profile_.needsSubcarrierClear && (flags & kFlagSubcarrier));
}

std::optional<std::vector<uint8_t>> SimTag::Block(int block) const {
    if (block < 0 || block >= profile_.blockCount) {
        return std::nullopt;
    }
    const auto begin = memory_.begin() + block * profile_.blockSize;
    return std::vector<uint8_t>(begin, begin + profile_.blockSize);
}

bool SimTag::SetBlock(int block, const std::vector<uint8_t>& bytes) {
    if (block < 0 || block >= profile_.blockCount ||
        bytes.size() != static_cast<size_t>(profile_.blockSize)) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + block * profile_.blockSize);
    return true;
}

bool SimTag::LeavesNow() {
    if (writesBeforeLeaving_ < 0) {
        return false;
    }
    return writesBeforeLeaving_-- == 0;
}

bool SimTag::Readable(int block) const {
    return block >= 0 && block < profile_.blockCount &&
           !(profile_.lastBlockUnreadable && block == profile_.blockCount - 1);
}

std::optional<int> SimTag::BlockNumber(const IsoRequest& request, size_t& used) const {
    const bool wide = profile_.maker == kMakerSt && (request.flags & kFlagProtocolExtension);
    used = wide ? 2 : 1;
    if (request.parameters.size() < used) {
        return std::nullopt;
    }
    return wide ? request.parameters[0] | request.parameters[1] << 8 : request.parameters[0];
}

std::vector<uint8_t> SimTag::ReadBlocks(int first, int count, bool withSecurity) const {
    std::vector<uint8_t> response = Ok();
    for (int block = first; block < first + count; ++block) {
        if (withSecurity) {
            response.push_back(block < profile_.lockedBlocks ? 0x01 : 0x00);
        }
        const auto begin = memory_.begin() + block * profile_.blockSize;
        response.insert(response.end(), begin, begin + profile_.blockSize);
    }
    return response;
}

std::vector<uint8_t> SimTag::SystemInformation(bool extension) const {
    const bool withMemory = !profile_.memorySizeNeedsExtension || extension;
    // Asked with the protocol extension flag, STMicroelectronics chips give a two-byte count.
    const bool twoByteCount = extension && profile_.maker == kMakerSt;
    std::vector<uint8_t> response = Ok();
    response.push_back(withMemory ? 0x0F : 0x0B);
    response.insert(response.end(), uid_.begin(), uid_.end());
    response.push_back(Dsfid());
    response.push_back(Afi());
    if (withMemory) {
        const int count =
            (profile_.reportedBlockCount ? profile_.reportedBlockCount : profile_.blockCount) - 1;
        response.push_back(static_cast<uint8_t>(count));
        if (twoByteCount) {
            response.push_back(static_cast<uint8_t>(count >> 8));
        }
        response.push_back(static_cast<uint8_t>(profile_.blockSize - 1));
    }
    response.push_back(profile_.reportedBlockCount ? 0x03 : 0x01);  // IC reference
    return response;
}

std::optional<std::vector<uint8_t>> SimTag::ReadSingle(const IsoRequest& request) const {
    if (profile_.readMultipleOnly || profile_.customCommandsOnly) {
        return Error(kNotSupported);
    }
    size_t used;
    const std::optional<int> block = BlockNumber(request, used);
    if (!block) {
        return Error(kGeneralError);
    }
    if (!Readable(*block)) {
        return Error(kBlockNotAvailable);
    }
    return ReadBlocks(*block, 1, request.flags & kFlagOption);
}

std::optional<std::vector<uint8_t>> SimTag::ReadMultiple(const IsoRequest& request) const {
    if (profile_.customCommandsOnly || profile_.readMultipleRefused) {
        return Error(kNotSupported);
    }
    size_t used;
    const std::optional<int> first = BlockNumber(request, used);
    if (!first || request.parameters.size() < used + 1) {
        return Error(kGeneralError);
    }
    const int count = request.parameters[used] + 1;
    if (profile_.readMultipleLimit > 0 && count > profile_.readMultipleLimit) {
        return Error(kBlockNotAvailable);
    }
    for (int block = *first; block < *first + count; ++block) {
        if (!Readable(block)) {
            return Error(kBlockNotAvailable);
        }
    }
    return ReadBlocks(*first, count, request.flags & kFlagOption);
}

std::optional<std::vector<uint8_t>> SimTag::WriteSingle(const IsoRequest& request) {
    if (profile_.customCommandsOnly) {
        return Error(kNotSupported);
    }
    size_t used;
    const std::optional<int> block = BlockNumber(request, used);
    if (!block || request.parameters.size() != used + static_cast<size_t>(profile_.blockSize)) {
        return Error(kGeneralError);
    }
    if (*block < 0 || *block >= profile_.blockCount) {
        return Error(kBlockNotAvailable);
    }
    if (*block < profile_.lockedBlocks) {
        return Error(kBlockLocked);
    }
    if (profile_.writeNeedsOption && !(request.flags & kFlagOption)) {
        return Error(kGeneralError);
    }
    if (profile_.leavesOnWrite || LeavesNow()) {
        left_ = true;
        return std::nullopt;
    }
    std::copy(request.parameters.begin() + static_cast<long>(used), request.parameters.end(),
              memory_.begin() + *block * profile_.blockSize);
    if (profile_.losesWriteAnswer) {
        return std::nullopt;
    }
    return Ok();
}

std::optional<std::vector<uint8_t>> SimTag::Custom(const IsoRequest& request) {
    // Infineon's read (0x10) and write (0x30): subcommand, page, 0x00, [8 data bytes].
    const std::vector<uint8_t>& p = request.parameters;
    if (request.command != 0xA0 || request.customMaker != kMakerInfineon ||
        profile_.maker != kMakerInfineon || p.size() < 3) {
        return Error(kNotSupported);
    }
    const int page = p[1];
    if (page >= profile_.blockCount) {
        return Error(kBlockNotAvailable);
    }
    if (p[0] == 0x10 && p.size() == 3) {
        return ReadBlocks(page, 1, false);
    }
    if (p[0] == 0x30 && p.size() == 3 + static_cast<size_t>(profile_.blockSize)) {
        if (page < profile_.readOnlyBlocks) {
            return Error(kBlockLocked);
        }
        if (LeavesNow()) {
            left_ = true;
            return std::nullopt;
        }
        std::copy(p.begin() + 3, p.end(), memory_.begin() + page * profile_.blockSize);
        return Ok();
    }
    return Error(kGeneralError);
}

std::optional<std::vector<uint8_t>> SimTag::Respond(const IsoRequest& request) {
    switch (request.command) {
        case 0x2B:
            if (!profile_.systemInformation) {
                return Error(kNotSupported);
            }
            return SystemInformation(request.flags & kFlagProtocolExtension);
        case 0x20:
            return ReadSingle(request);
        case 0x21:
            return WriteSingle(request);
        case 0x23:
            return ReadMultiple(request);
        default:
            if (request.command >= 0xA0 && request.command <= 0xDF) {
                return Custom(request);
            }
            return Error(kNotSupported);
    }
}

}  // namespace vesmor::sim
