#include "common/value_text.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "common/write_job.h"

namespace tagforge {

uint8_t HexCharValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<uint8_t>(c - 'a' + 10);
    }
    return 255;
}

bool IsHexDigit(char c) {
    return HexCharValue(c) != 255;
}

bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

uint8_t HexPairValue(char high, char low) {
    return static_cast<uint8_t>(HexCharValue(high) * 16 + HexCharValue(low));
}

std::string HexByte(uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string_view FirstChars(std::string_view text, int count) {
    return text.substr(0, static_cast<size_t>(std::max(count, 0)));
}

std::string PadWithZeros(std::string_view text, int width) {
    const size_t missing = static_cast<size_t>(std::max(width, 0));
    std::string padded(missing > text.size() ? missing - text.size() : 0, '0');
    return padded.append(text);
}

std::string RemoveLeadingZeros(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const size_t first = text.find_first_not_of('0');
    return first == std::string_view::npos ? "0" : std::string(text.substr(first));
}

std::string ToUpperAscii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return upper;
}

std::optional<int64_t> ParseDecimal64(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    // Accumulated as a negative number, whose range reaches one further than the positive one.
    int64_t value = 0;
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    for (; i < text.size() && IsDecimalDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        if (value < (kMin + digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == kMin) {
            return std::nullopt;
        }
        value = -value;
    }
    return value;
}

int UsableByteCount(int byteCount) {
    return std::clamp(byteCount, 0, kMaxByteCount);
}

}  // namespace tagforge
