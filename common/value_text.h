#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Character rules shared by the value formats, the checks and the increment. Texts are byte
// strings; lengths and positions count bytes.
namespace tagforge {

// '0'..'9' give 0..9, 'A'..'F' and 'a'..'f' give 10..15, every other character 255.
uint8_t HexCharValue(char c);
bool IsHexDigit(char c);
bool IsDecimalDigit(char c);

// One byte from two characters, high nibble first. A character that is no hexadecimal digit
// brings its value 255 into the sum, of which the byte keeps the low eight bits.
uint8_t HexPairValue(char high, char low);

// Two upper-case hexadecimal digits.
std::string HexByte(uint8_t value);

// The first `count` characters (none for a negative count).
std::string_view FirstChars(std::string_view text, int count);

// `text` with '0' put in front until it is `width` characters long.
std::string PadWithZeros(std::string_view text, int width);

// Leading '0' characters removed; a text that becomes empty is "0", an empty text stays empty.
std::string RemoveLeadingZeros(std::string_view text);

std::string ToUpperAscii(std::string_view text);

// A signed 64-bit decimal number read the way atoi reads: leading blanks, an optional sign,
// digits up to the first other character (no digits give 0). A number beyond the signed 64-bit
// range gives nothing rather than a clamped value.
std::optional<int64_t> ParseDecimal64(std::string_view text);

// Clamps a byte count from unchecked settings to 0..kMaxByteCount, so that no rule allocates
// without bound when it runs before the checks.
int UsableByteCount(int byteCount);

}  // namespace tagforge
