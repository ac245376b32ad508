#include "app/core/input_check.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "app/core/messages.h"
#include "app/core/value_text.h"

namespace tagforge {

namespace {

CheckResult Failure(int messageId, std::vector<std::string> args = {}) {
    return {messageId, std::move(args)};
}

CheckResult CheckRange(int value, int min, int max) {
    if (value < 0) {
        return Failure(kMsgEnterUnsignedNumber);
    }
    if (value < min || value > max) {
        return Failure(kMsgEnterNumberInRange, {std::to_string(min), std::to_string(max)});
    }
    return {};
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
            if (job.PrefixZulassen) {
                return std::nullopt;
            }
            return TextRule{kMaxDecimalTextLength, IsDecimalDigit, kMsgNoDecimalInput};
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
    const size_t begin = text.find_first_not_of(' ');
    const size_t end = text.find_last_not_of(' ');
    if (begin == std::string_view::npos) {
        return -1;
    }
    const std::string_view digits = text.substr(begin, end - begin + 1);
    if (!std::all_of(digits.begin(), digits.end(), IsDecimalDigit)) {
        return -1;
    }
    long long value = 0;
    for (char c : digits) {
        value = std::min(value * 10 + (c - '0'), static_cast<long long>(INT_MAX));
    }
    return static_cast<int>(value);
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
    CheckResult result = CheckRange(job.Startblock, 0, kMaxStartblock);
    if (result.Ok()) {
        const bool decimal = job.Datenformat == kFormatDecimalBinary;
        result = CheckRange(job.Byteanzahl, 1, decimal ? kMaxDecimalByteCount : kMaxByteCount);
    }
    if (result.Ok() && checkWriteText) {
        result = CheckWriteText(job);
    }
    return result;
}

}  // namespace tagforge
