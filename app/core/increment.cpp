#include "app/core/increment.h"

#include <algorithm>

#include "common/value_text.h"

namespace tagforge {

namespace {

constexpr std::string_view kHexDigits = "0123456789abcdefABCDEF";
constexpr std::string_view kDecimalDigits = "0123456789";

struct NumberParts {
    std::string prefix;
    std::string number;
    std::string suffix;
};

// Without `PrefixZulassen`, and always in formats 0, 2 and 4, the whole text is the number.
// Otherwise the number runs from the first to the last digit of the format; a text without any
// digit is all suffix.
NumberParts SplitNumber(const WriteJob& job, std::string_view digits) {
    const std::string& text = job.LastData;
    const int format = job.Datenformat;
    const bool split =
        job.PrefixZulassen &&
        (format == kFormatHexAscii || format == kFormatDecimalAscii || format == kFormatDataAscii);
    if (!split) {
        return {{}, text, {}};
    }
    const size_t first = text.find_first_of(digits);
    if (first == std::string::npos) {
        return {{}, {}, text};
    }
    const size_t last = text.find_last_of(digits);
    return {text.substr(0, first), text.substr(first, last - first + 1), text.substr(last + 1)};
}

int DigitValue(char c, int base) {
    return base == 16 ? HexCharValue(c) : (IsDecimalDigit(c) ? c - '0' : 255);
}

// Adds one to the digits of `number`, last digit first. Characters that are no digit of the base
// (possible inside the number with `PrefixZulassen`) keep their place and the carry passes over
// them. Returns whether a carry is left after the first digit.
bool AddOne(std::string& number, int base) {
    static constexpr char kDigitChars[] = "0123456789ABCDEF";
    for (size_t i = number.size(); i-- > 0;) {
        const int value = DigitValue(number[i], base);
        if (value >= base) {
            continue;
        }
        if (value + 1 < base) {
            number[i] = kDigitChars[value + 1];
            return false;
        }
        number[i] = '0';
    }
    return true;
}

// The number keeps its length: a carry out of the first digit is dropped (FFFF gives 0000).
std::string IncrementHex(std::string number) {
    std::transform(number.begin(), number.end(), number.begin(),
                   [](char c) { return (c >= 'a' && c <= 'f') ? static_cast<char>(c - 32) : c; });
    AddOne(number, 16);
    return number;
}

// The number is read as a value, so its leading zeros go; a carry out of the first digit adds a
// digit. This equals "signed 64-bit value + 1" for every number in that range and stays exact
// beyond it (9223372036854775807 gives 9223372036854775808, which format 2 then refuses to
// write, as it refuses any value that does not fit).
std::string IncrementDecimal(std::string number) {
    size_t zeros = 0;
    while (zeros + 1 < number.size() && number[zeros] == '0' && IsDecimalDigit(number[zeros + 1])) {
        ++zeros;
    }
    number.erase(0, zeros);
    if (AddOne(number, 10)) {
        number.insert(number.find_first_of(kDecimalDigits), 1, '1');
    }
    return number;
}

}  // namespace

std::string IncrementText(const WriteJob& job) {
    const int format = job.Datenformat;
    const bool hex = format == kFormatHexBinary || format == kFormatHexAscii;
    const bool decimal = format == kFormatDecimalBinary || format == kFormatDecimalAscii;
    if (!hex && !decimal) {
        return job.LastData;
    }
    const std::string_view digits = hex ? kHexDigits : kDecimalDigits;
    NumberParts parts = SplitNumber(job, digits);
    // A number part without any digit (an empty one, with `PrefixZulassen`) leaves the text as it
    // is in every format.
    if (parts.number.find_first_of(digits) == std::string::npos) {
        return job.LastData;
    }
    parts.number = hex ? IncrementHex(parts.number) : IncrementDecimal(parts.number);
    if (format == kFormatDecimalAscii && job.AutoNull) {
        const int width = UsableByteCount(job.Byteanzahl) -
                          static_cast<int>(parts.prefix.size() + parts.suffix.size());
        parts.number = PadWithZeros(parts.number, width);
    }
    return parts.prefix + parts.number + parts.suffix;
}

std::optional<std::string> LeadingZeroToggleText(const WriteJob& job) {
    if (job.Datenformat != kFormatHexAscii && job.Datenformat != kFormatDecimalAscii) {
        return std::nullopt;
    }
    const int n = UsableByteCount(job.Byteanzahl);
    const std::string_view text = FirstChars(job.LastData, n);
    return job.AutoNull ? PadWithZeros(text, n) : RemoveLeadingZeros(text);
}

WrittenValue AfterWrite(const WriteJob& job) {
    const int format = job.Datenformat;
    WrittenValue result;
    result.logValue =
        format == kFormatDecimalBinary ? RemoveLeadingZeros(job.LastData) : job.LastData;
    const bool upper =
        format == kFormatHexBinary || format == kFormatDecimalBinary || format == kFormatDataBinary;
    result.shownText = upper ? ToUpperAscii(result.logValue) : result.logValue;
    WriteJob written = job;
    written.LastData = result.shownText;
    result.nextText = job.AutoIncrement ? IncrementText(written) : result.shownText;
    return result;
}

}  // namespace tagforge
