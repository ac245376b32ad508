// Reading and writing one block, with the chip makers' request forms and the verify-by-reading
// after a write the reader reported as failed.

#include <algorithm>

#include "library/transponder.h"

namespace vesmor {

namespace {

constexpr uint8_t kIsoReadSingleBlock = 0x20;
constexpr uint8_t kIsoWriteSingleBlock = 0x21;
constexpr uint8_t kIsoCustom = 0xA0;
constexpr uint8_t kInfineonRead = 0x10;
constexpr uint8_t kInfineonWrite = 0x30;
constexpr int32_t kVerifyBufferSize = 255;
constexpr size_t kMaxIsoRequest = 255;  // bytes after the reader command 0x20

}  // namespace

std::optional<CMyByteArray> TransponderCommands::ReadBlockData(int32_t block, const Addressing& a) {
    CMyByteArray request;
    if (a.Infineon()) {
        if (block < 0 || block > 0xFF) {
            port_.SetLastError(15);
            return std::nullopt;
        }
        request = RequestHead(a, kIsoCustom, kMakerInfineon);
        request.Add(kInfineonRead);
        request.Add(static_cast<uint8_t>(block));
        request.Add(0x00);
    } else if (a.Em()) {
        // These chips are read through Read Multiple Blocks: one block, count byte 0.
        request = RequestHead(a, kIsoReadMultipleBlocks);
        if (!AppendBlockNumber(request, a, block)) {
            return std::nullopt;
        }
        request.Add(0x00);
    } else {
        request = RequestHead(a, kIsoReadSingleBlock);
        if (!AppendBlockNumber(request, a, block)) {
            return std::nullopt;
        }
    }
    CMyByteArray answer;
    if (!IsoExchange(request, answer)) {
        return std::nullopt;
    }
    return answer;
}

int32_t TransponderCommands::ReadBlock(int32_t block, uint8_t* buffer, int32_t size,
                                       std::optional<TransponderUid> uid, int32_t flags) {
    if (buffer == nullptr || size < 0) {
        port_.SetLastError(7);
        return -1;
    }
    const std::optional<CMyByteArray> data = ReadBlockData(block, ApplyFlagRules(flags, uid));
    if (!data) {
        return -1;
    }
    int32_t written = 0;
    return CopyOut(*data, buffer, size, written) ? written : -1;
}

bool TransponderCommands::VerifyWritten(int32_t block, const uint8_t* data, int32_t length,
                                        std::optional<TransponderUid> uid, int32_t flags) {
    const int32_t remembered = port_.LastError();
    uint8_t readBack[kVerifyBufferSize];
    const int32_t n = ReadBlock(block, readBack, kVerifyBufferSize, uid, flags & ~kFlagOption);
    if (n == length && std::equal(data, data + length, readBack)) {
        port_.SetLastError(0);
        return true;
    }
    port_.SetLastError(remembered);
    return false;
}

int32_t TransponderCommands::WriteBlock(int32_t block, const uint8_t* data, int32_t length,
                                        std::optional<TransponderUid> uid, int32_t flags) {
    if (length < 0 || (data == nullptr && length > 0)) {
        port_.SetLastError(7);
        return -1;
    }
    Addressing a = ApplyFlagRules(flags, uid);
    CMyByteArray request;
    bool verifyOn7 = true;
    if (a.Infineon()) {
        if (block < 0 || block > 0xFF) {
            port_.SetLastError(15);
            return -1;
        }
        request = RequestHead(a, kIsoCustom, kMakerInfineon);
        request.Add(kInfineonWrite);
        request.Add(static_cast<uint8_t>(block));
        request.Add(0x00);
        verifyOn7 = false;
    } else {
        if (a.TexasInstruments()) {
            a.flags |= kFlagOption;
        }
        request = RequestHead(a, kIsoWriteSingleBlock);
        if (!AppendBlockNumber(request, a, block)) {
            return -1;
        }
    }
    // One block at a time: a request longer than a frame can carry is refused before sending.
    if (request.GetSize() + static_cast<size_t>(length) > kMaxIsoRequest) {
        port_.SetLastError(7);
        return -1;
    }
    request.Append(data, static_cast<size_t>(length));
    CMyByteArray answer;
    if (IsoExchange(request, answer)) {
        return 0;
    }
    const int32_t error = port_.LastError();
    if (error == 21 || (verifyOn7 && error == 7)) {
        return VerifyWritten(block, data, length, uid, flags) ? 0 : -1;
    }
    return -1;
}

}  // namespace vesmor
