#pragma once

#include <optional>
#include <string>

#include "common/write_job.h"

// What becomes of the write text after a write: the auto-increment and the leading zeros.
namespace tagforge {

// The job's write text incremented for the next transponder. Formats 0 and 1 count in
// hexadecimal within the number's length, formats 2 and 3 in decimal; formats 4 and 5 and a text
// without a number stay as they are. With `PrefixZulassen` in formats 1, 3 and 5 only the number
// between prefix and suffix changes.
std::string IncrementText(const WriteJob& job);

// The write text when "Führende Nullen" or "Zusatztext zulassen" was clicked: its first
// `Byteanzahl` characters, padded with '0' when `AutoNull` is set, else without leading zeros.
// Nothing for formats other than 1 and 3. The job is expected to have passed CheckJob.
std::optional<std::string> LeadingZeroToggleText(const WriteJob& job);

// The texts of a successful write.
struct WrittenValue {
    std::string logValue;   // for the write log: after format 2's leading-zero removal
    std::string shownText;  // for the write field and the status line: upper case in 0, 2, 4
    std::string nextText;   // the write text for the next transponder (incremented if asked)
};
WrittenValue AfterWrite(const WriteJob& job);

}  // namespace tagforge
