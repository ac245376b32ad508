#pragma once
// Writing and reading whole files that a user names: a file is replaced at once (a reader never
// sees half of it, a crash leaves the old one), and never written through a symbolic link.

#include <string>
#include <string_view>

namespace tagforge {

// Writes `data` to a new file beside `path` and renames it over `path`. Refuses a `path` that
// is a symbolic link. On failure returns false with errno set (ELOOP for a link) and leaves
// `path` as it was.
bool WriteFileAtomically(const std::string& path, std::string_view data);

// Reads a whole regular file of at most `limit` bytes into `out`. On failure returns false
// with errno set (EFBIG when the file is larger, EISDIR for a directory).
bool ReadWholeFile(const std::string& path, std::string& out, size_t limit);

}  // namespace tagforge
