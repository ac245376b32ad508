#include "app/core/value_format.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/messages.h"
#include "common/value_text.h"

namespace tagforge {

namespace {

// `byteCount` rounded up to whole blocks. A block size of 0 (a broken tag answer) does not round.
size_t WholeBlockBytes(int byteCount, uint32_t blockSize) {
    const size_t n = static_cast<size_t>(std::max(byteCount, 0));
    return blockSize == 0 ? n : (n + blockSize - 1) / blockSize * blockSize;
}

// Format 0: one hexadecimal number, stored least significant byte first.
void FillHexNumber(std::string_view text, int n, std::vector<uint8_t>& buffer) {
    const std::string digits = PadWithZeros(FirstChars(text, 2 * n), 2 * n);
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
        const size_t pair = 2 * (static_cast<size_t>(n) - 1 - i);
        buffer[i] = HexPairValue(digits[pair], digits[pair + 1]);
    }
}

// Formats 1, 3 and 5: the characters as they are.
void FillCharacters(std::string_view text, int n, bool autoNull, std::vector<uint8_t>& buffer) {
    std::string chars(FirstChars(text, n));
    if (autoNull) {
        chars = PadWithZeros(chars, n);
    }
    std::copy(chars.begin(), chars.end(), buffer.begin());
}

// Format 2: a decimal number stored as an `n`-byte little-endian integer. Returns the refusal
// message or 0. A text beyond the signed 64-bit range is refused like any other value that does
// not fit, instead of being clamped and written as a different number.
int FillDecimal(std::string_view text, int n, std::vector<uint8_t>& buffer) {
    if (n > kMaxDecimalByteCount) {
        return kMsgDecimalAbove8Bytes;
    }
    const std::optional<int64_t> value = ParseDecimal64(text);
    if (!value || static_cast<double>(*value) > std::ldexp(1.0, 8 * n) - 1) {
        return kMsgByteCountTooSmall;
    }
    const auto bits = static_cast<uint64_t>(*value);
    for (int i = 0; i < n; ++i) {
        buffer[static_cast<size_t>(i)] = static_cast<uint8_t>(bits >> (8 * i));
    }
    return 0;
}

// Format 4: hexadecimal digits taken two by two into bytes, blanks skipped wherever they stand
// (also before the first pair and between the two digits of a pair). A lone last digit is a byte
// of its own value (so "1 2 3" with three bytes gives 12 03). At most `n` bytes are filled, so an
// odd digit never spills past `Byteanzahl`.
void FillHexPairs(std::string_view text, int n, std::vector<uint8_t>& buffer) {
    std::string digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits),
                 [](char c) { return c != ' '; });
    const size_t count = std::min({(digits.size() + 1) / 2, static_cast<size_t>(n), buffer.size()});
    for (size_t i = 0; i < count; ++i) {
        const bool lone = 2 * i + 1 == digits.size();
        buffer[i] =
            lone ? HexCharValue(digits[2 * i]) : HexPairValue(digits[2 * i], digits[2 * i + 1]);
    }
}

int WriteRefusal(const WriteJob& job, const TagGeometry& tag) {
    if (job.LastData.empty() || job.Byteanzahl < 1) {
        return kMsgNoData;
    }
    if (tag.icManufacturer == kIcManufacturerInfineon && job.Startblock < 3) {
        return kMsgInfineonBlocks;
    }
    const int64_t needed = int64_t{job.Byteanzahl} + int64_t{job.Startblock} * tag.blockSize;
    if (job.Startblock < 0 || static_cast<int64_t>(tag.TotalMemory()) < needed) {
        return kMsgMaxBlockExceeded;
    }
    return 0;
}

std::vector<uint8_t> ZeroBlocks(int byteCount, uint32_t blockSize) {
    return std::vector<uint8_t>(WholeBlockBytes(byteCount, blockSize), 0);
}

// Bytes of the write text by the job's format for a format switch; nothing when it fails.
std::vector<uint8_t> BytesForSwitch(const WriteJob& job, const TagGeometry& tag,
                                    std::vector<int>& messageIds) {
    const int n = job.Byteanzahl;
    std::vector<uint8_t> bytes = ZeroBlocks(n, tag.blockSize);
    switch (job.Datenformat) {
        case kFormatHexBinary: {
            BlockData data = ConvertForWrite(job, tag);
            if (!data.Ok()) {
                messageIds.push_back(data.messageId);
            }
            return std::move(data.bytes);
        }
        case kFormatDecimalBinary:
            return FillDecimal(job.LastData, n, bytes) == 0 ? bytes : std::vector<uint8_t>{};
        case kFormatDataBinary:
            bytes.assign(static_cast<size_t>(n), 0);
            FillHexPairs(job.LastData, n, bytes);
            return bytes;
        case kFormatHexAscii:
        case kFormatDecimalAscii:
        case kFormatDataAscii:
            FillCharacters(job.LastData, n, job.AutoNull, bytes);
            return bytes;
        default:
            return {};
    }
}

// A text with more characters (or, in format 4, more data) than its bytes hold would be cut and
// written as a different value while the status line and the log report it whole: a serial
// number could reach two transponders. Such a text is refused before any block is written.
std::optional<BlockData> TooLongRefusal(const WriteJob& job) {
    const auto n = static_cast<size_t>(job.Byteanzahl);
    const std::string& text = job.LastData;
    size_t limit = 0;
    switch (job.Datenformat) {
        case kFormatHexBinary:
            limit = 2 * n;
            break;
        case kFormatHexAscii:
        case kFormatDecimalAscii:
        case kFormatDataAscii:
            limit = n;
            break;
        case kFormatDataBinary: {
            const auto digits =
                static_cast<size_t>(std::count_if(text.begin(), text.end(), IsHexDigit));
            if ((digits + 1) / 2 > n) {
                return BlockData{kMsgTooMuchData, {}, {}, 0};
            }
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
    if (text.size() > limit) {
        return BlockData{kMsgEnterAtMostChars, {std::to_string(limit)}, {}, 0};
    }
    return std::nullopt;
}

uint8_t ByteOrZero(std::span<const uint8_t> bytes, size_t index) {
    return index < bytes.size() ? bytes[index] : 0;
}

}  // namespace

BlockData ConvertForWrite(const WriteJob& job, const TagGeometry& tag) {
    if (const int refusal = WriteRefusal(job, tag); refusal != 0) {
        return {refusal, {}, {}, 0};
    }
    if (std::optional<BlockData> refusal = TooLongRefusal(job)) {
        return std::move(*refusal);
    }
    const int n = job.Byteanzahl;
    std::vector<uint8_t> bytes = ZeroBlocks(n, tag.blockSize);
    int refusal = 0;
    switch (job.Datenformat) {
        case kFormatHexBinary:
            FillHexNumber(job.LastData, n, bytes);
            break;
        case kFormatDecimalBinary:
            refusal = FillDecimal(job.LastData, n, bytes);
            break;
        case kFormatDataBinary:
            FillHexPairs(job.LastData, n, bytes);
            break;
        default:
            FillCharacters(job.LastData, n, job.AutoNull, bytes);
            break;
    }
    if (refusal != 0) {
        return {refusal, {}, {}, 0};
    }
    // The memory check passed, so the block size is not 0.
    const auto blocks = static_cast<uint32_t>(bytes.size() / tag.blockSize);
    return {0, {}, std::move(bytes), blocks};
}

RenderedText RenderBytes(std::span<const uint8_t> bytes, int format, int byteCount) {
    if (format == kFormatDecimalBinary) {
        if (byteCount > kMaxDecimalByteCount) {
            return {{}, kMsgDecimalAbove8Bytes};
        }
        uint64_t bits = 0;
        for (size_t i = 0; i < 8; ++i) {
            bits |= uint64_t{ByteOrZero(bytes, i)} << (8 * i);
        }
        return {std::to_string(static_cast<int64_t>(bits)), 0};
    }
    const size_t n = static_cast<size_t>(UsableByteCount(byteCount));
    std::string text;
    switch (format) {
        case kFormatHexBinary:
            for (size_t i = n; i-- > 0;) {
                text += HexByte(ByteOrZero(bytes, i));
            }
            break;
        case kFormatDataBinary:
            for (size_t i = 0; i < std::min(n, bytes.size()); ++i) {
                text += (i == 0 ? "" : " ") + HexByte(bytes[i]);
            }
            break;
        case kFormatHexAscii:
        case kFormatDecimalAscii:
        case kFormatDataAscii:
            for (size_t i = 0; i < std::min(n, bytes.size()) && bytes[i] != 0; ++i) {
                text += static_cast<char>(bytes[i]);
            }
            break;
        default:
            break;
    }
    return {text, 0};
}

FormatSwitch SwitchFormat(const WriteJob& job, int newFormat, const TagGeometry& tag) {
    WriteJob bounded = job;
    bounded.Byteanzahl = UsableByteCount(job.Byteanzahl);
    FormatSwitch result;
    const std::vector<uint8_t> bytes = BytesForSwitch(bounded, tag, result.messageIds);
    RenderedText rendered = RenderBytes(bytes, newFormat, bounded.Byteanzahl);
    if (rendered.messageId != 0) {
        result.messageIds.push_back(rendered.messageId);
    }
    result.text = std::move(rendered.text);
    return result;
}

}  // namespace tagforge
