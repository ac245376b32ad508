#pragma once
// The window's rule for the options around the write text: in formats 4 and 5 ("Daten binär",
// "Daten ASCII") "Auto increment", "Führende Nullen" and "Zusatztext zulassen" are cleared and
// disabled. The tool refuses them on its command line and ignores them in a data file.

#include <CLI/CLI.hpp>
#include <string>

#include "common/write_job.h"

namespace vesmor::cli {

// False (after printing which option) when the command line gives --increment, --zeros or
// --affix for a format that does not take it. Such keys of the data file `jobFile` (when
// `fromJob` names what the job took from it) are cleared with a line saying so.
bool ApplyFormatRule(const CLI::App& command, const std::string& jobFile,
                     const tagforge::WriteJob& fromJob, tagforge::WriteJob& job);

}  // namespace vesmor::cli
