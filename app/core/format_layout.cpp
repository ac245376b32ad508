#include "app/core/format_layout.h"

namespace tagforge {

namespace {

bool IsKnownFormat(int format) {
    return format >= 0 && format < kFormatCount;
}

}  // namespace

const char* FormatLogName(int format) {
    static constexpr const char* kNames[kFormatCount] = {
        "HEX BIN", "HEX ASCII", "DEZ ASCII", "DEZ ASCII", "DATEN BIN", "DATEN ASCII",
    };
    return IsKnownFormat(format) ? kNames[format] : "";
}

bool IsMultiLineFormat(int format) {
    return format == kFormatDataBinary || format == kFormatDataAscii;
}

bool UsesFixedPitchFont(int format) {
    return format == kFormatHexBinary || format == kFormatDecimalBinary ||
           format == kFormatDataBinary;
}

int WriteTextLimit(int format, int byteCount) {
    switch (format) {
        case kFormatHexBinary:
            return 2 * byteCount;
        case kFormatDecimalBinary:
        case kFormatDecimalAscii:
            return kMaxDecimalTextLength;
        case kFormatDataBinary:
            return 3 * byteCount;
        default:
            return byteCount;
    }
}

bool AutoIncrementAvailable(int format) {
    return IsKnownFormat(format) && !IsMultiLineFormat(format);
}

bool LeadingZeroOptionsAvailable(int format) {
    return format == kFormatHexAscii || format == kFormatDecimalAscii;
}

void ApplyFormatLayout(WriteJob& job) {
    if (IsMultiLineFormat(job.Datenformat)) {
        job.AutoNull = false;
        job.AutoIncrement = false;
    }
    if (!LeadingZeroOptionsAvailable(job.Datenformat)) {
        job.PrefixZulassen = false;
    }
}

}  // namespace tagforge
