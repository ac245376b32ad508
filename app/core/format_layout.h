#pragma once

#include "common/write_job.h"

// What each data format asks of the fields and options around the write text.
namespace tagforge {

// Name of the format in the log files; "" for an unknown format.
const char* FormatLogName(int format);

// Formats 4 and 5 use the multi-line read and write fields.
bool IsMultiLineFormat(int format);

// Formats 0, 2 and 4 show their fields in the fixed-pitch font.
bool UsesFixedPitchFont(int format);

// Maximum length of the write text while the format is shown.
int WriteTextLimit(int format, int byteCount);

// "Auto increment" can be used in formats 0..3.
bool AutoIncrementAvailable(int format);

// "Führende Nullen" and "Zusatztext zulassen" can be used in formats 1 and 3.
bool LeadingZeroOptionsAvailable(int format);

// Clears the options the job's format does not allow: all three in formats 4 and 5,
// `PrefixZulassen` in formats 0 and 2 (`AutoNull` keeps its value there, without effect).
void ApplyFormatLayout(WriteJob& job);

}  // namespace tagforge
