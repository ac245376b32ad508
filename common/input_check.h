#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/write_job.h"

// Checks made when the window's controls (or the command-line options) become a write job.
namespace tagforge {

// The first failed check: a message id and the values for its %1, %2. Id 0 means passed.
struct CheckResult {
    int messageId = 0;
    std::vector<std::string> args;

    bool Ok() const { return messageId == 0; }
    std::string Text() const;
};

// The value of a number field's text: blanks around decimal digits. -1 when the text is no
// unsigned number (CheckJob refuses that with "Geben Sie eine positive ganze Zahl ein."); a value
// beyond int gives INT_MAX, which the range check refuses.
int ParseUnsignedField(std::string_view text);

// A value of ParseUnsignedField: -1 is refused with "Geben Sie eine positive ganze Zahl ein.",
// a value outside min..max with "Geben Sie eine ganze Zahl zwischen %1 und %2 ein.".
CheckResult CheckUnsignedField(int value, int min, int max);

// The value of a signed number field: blanks around an optional sign and decimal digits;
// nothing when the text is no number. Values beyond int saturate.
std::optional<int> ParseSignedField(std::string_view text);

// A value of ParseSignedField: none is refused with "Geben Sie eine ganze Zahl ein.", a value
// outside min..max with the range message.
CheckResult CheckSignedField(std::optional<int> value, int min, int max);

// The checks of the write text for the job's format, `Byteanzahl` and `PrefixZulassen`.
CheckResult CheckWriteText(const WriteJob& job);

// All checks in their order: `Datenformat` (must name one of the six formats), `Startblock`,
// `Byteanzahl`, then the write text unless `checkWriteText` is false.
CheckResult CheckJob(const WriteJob& job, bool checkWriteText = true);

}  // namespace tagforge
