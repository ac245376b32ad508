#include "common/input_check.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "common/messages.h"
#include "common/value_text.h"

namespace tagforge {

namespace {

CheckResult Failure(int messageId, std::vector<std::string> args = {}) {
    return {messageId, std::move(args)};
}

CheckResult CheckBounds(int value, int min, int max) {
    if (value < min || value > max) {
        return Failure(kMsgEnterNumberInRange, {std::to_string(min), std::to_string(max)});
    }
    return {};
}

// Decimal digits to a value, saturated at `limit`.
long long DigitsValue(std::string_view digits, long long limit) {
    long long value = 0;
    for (char c : digits) {
        value = std::min(value * 10 + (c - '0'), limit);
    }
    return value;
}

// The text between leading and trailing blanks; nothing when the text is blank.
std::optional<std::string_view> TrimBlanks(std::string_view text) {
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) {
        return std::nullopt;
    }
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

bool AllDecimal(std::string_view digits) {
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), IsDecimalDigit);
}

bool IsHexDigitOrBlank(char c) {
    return c == ' ' || IsHexDigit(c);
}

// Length limit and character set of the write text in one format; no character test when
// `allowed` is null.
struct TextRule {
    int maxChars;
    bool (*allowed)(char);
    int refusal;
};

std::optional<TextRule> TextRuleFor(const WriteJob& job) {
    const int n = UsableByteCount(job.Byteanzahl);
    switch (job.Datenformat) {
        case kFormatHexBinary:
            return TextRule{2 * n, IsHexDigit, kMsgNoHexInput};
        case kFormatHexAscii:
            return TextRule{n, job.PrefixZulassen ? nullptr : IsHexDigit, kMsgNoHexInput};
        case kFormatDecimalBinary:
            return TextRule{kMaxDecimalTextLength, IsDecimalDigit, kMsgNoDecimalInput};
        case kFormatDecimalAscii:
            // The characters are the bytes: a longer number would be cut on the transponder.
            if (job.PrefixZulassen) {
                return TextRule{n, nullptr, 0};
            }
            return TextRule{std::min(n, kMaxDecimalTextLength), IsDecimalDigit, kMsgNoDecimalInput};
        case kFormatDataBinary:
            return TextRule{3 * n, IsHexDigitOrBlank, kMsgNoHexInput};
        case kFormatDataAscii:
            return TextRule{n, nullptr, 0};
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string CheckResult::Text() const {
    return MessageWithArgs(messageId, args);
}

int ParseUnsignedField(std::string_view text) {
    const std::optional<std::string_view> digits = TrimBlanks(text);
    if (!digits || !AllDecimal(*digits)) {
        return -1;
    }
    return static_cast<int>(DigitsValue(*digits, INT_MAX));
}

CheckResult CheckUnsignedField(int value, int min, int max) {
    return value < 0 ? Failure(kMsgEnterUnsignedNumber) : CheckBounds(value, min, max);
}

std::optional<int> ParseSignedField(std::string_view text) {
    std::optional<std::string_view> number = TrimBlanks(text);
    if (!number) {
        return std::nullopt;
    }
    const bool negative = number->front() == '-';
    if (negative || number->front() == '+') {
        number->remove_prefix(1);
    }
    if (!AllDecimal(*number)) {
        return std::nullopt;
    }
    const long long magnitude =
        DigitsValue(*number, negative ? -static_cast<long long>(INT_MIN) : INT_MAX);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

CheckResult CheckSignedField(std::optional<int> value, int min, int max) {
    return value ? CheckBounds(*value, min, max) : Failure(kMsgEnterNumber);
}

CheckResult CheckWriteText(const WriteJob& job) {
    const std::optional<TextRule> rule = TextRuleFor(job);
    if (!rule) {
        return {};
    }
    const std::string& text = job.LastData;
    // Format 4 judges the amount of data first: four pairs typed for three bytes are "too much
    // data", even though their blanks also make the text longer than allowed.
    if (job.Datenformat == kFormatDataBinary) {
        const auto nonBlank =
            std::count_if(text.begin(), text.end(), [](char c) { return c != ' '; });
        if (nonBlank / 2 > job.Byteanzahl) {
            return Failure(kMsgTooMuchData);
        }
    }
    if (text.size() > static_cast<size_t>(std::max(rule->maxChars, 0))) {
        return Failure(kMsgEnterAtMostChars, {std::to_string(rule->maxChars)});
    }
    if (rule->allowed && !std::all_of(text.begin(), text.end(), rule->allowed)) {
        return Failure(rule->refusal);
    }
    return {};
}

CheckResult CheckJob(const WriteJob& job, bool checkWriteText) {
    if (job.Datenformat < 0 || job.Datenformat >= kFormatCount) {
        return Failure(kMsgEnterNumberInRange, {"0", std::to_string(kFormatCount - 1)});
    }
    CheckResult result = CheckUnsignedField(job.Startblock, 0, kMaxStartblock);
    if (result.Ok()) {
        const bool decimal = job.Datenformat == kFormatDecimalBinary;
        result =
            CheckUnsignedField(job.Byteanzahl, 1, decimal ? kMaxDecimalByteCount : kMaxByteCount);
    }
    if (result.Ok() && checkWriteText) {
        result = CheckWriteText(job);
    }
    return result;
}

}  // namespace tagforge
