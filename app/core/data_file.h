#pragma once

#include <optional>
#include <string>

#include "common/write_job.h"

// Data files ("*.KTDat"): one write job in the section "Settings" of an INI text.
namespace tagforge {

inline constexpr const char* kDataFileExtension = "KTDat";

// Writes the job's seven keys, in their order, into the file at `path`, keeping whatever else the
// file holds. The file is always rewritten, so that a write text differing from the stored one
// only in letter case is saved too. Returns false when the file could not be opened or written.
bool SaveDataFile(const std::string& path, const WriteJob& job);

// Reads a job. A file, section or key that is missing gives the defaults (empty write text,
// format 0, `Byteanzahl` 4, everything else 0); a missing file is left behind empty. The values
// are not checked.
WriteJob LoadDataFile(const std::string& path);

// The same, but a file that could not be opened or locked (another process held it past the
// wait) gives no job; *error then holds errno's value for FileErrorText.
std::optional<WriteJob> ReadDataFile(const std::string& path, int* error = nullptr);

}  // namespace tagforge
