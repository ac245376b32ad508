#pragma once
// Files the programs keep for their user in directories that other local users can reach as
// well (/tmp): only inside a directory that belongs to the user alone, never through a link.

#include <optional>
#include <string>

namespace vesmor {

// Makes `path` a directory of mode 0700 when it does not exist, then checks it: a real
// directory (not a link), owned by the effective user, with no access for group or others.
// False, with the reason in `problem`, for anything else; such a directory is left alone.
bool EnsurePrivateDirectory(const std::string& path, std::string* problem = nullptr);

// The user's runtime directory: $XDG_RUNTIME_DIR when set (the session gives every user a
// private one), else $TMPDIR (or /tmp) + "/vesmor-<uid>", made and checked by
// EnsurePrivateDirectory. nullopt, with the reason in `problem`, when the fallback is refused.
std::optional<std::string> UserRuntimeDirectory(std::string* problem = nullptr);

// Replaces dir/name by a file holding `content` (mode 0600): written to a new file of a unique
// name created exclusively in `dir`, then renamed over `name`, so no existing file or link is
// ever written through. False when any step fails (nothing is left behind then).
bool WriteFileAtomically(const std::string& dir, const std::string& name,
                         const std::string& content);

// Opens `path` for reading and writing, creating it with mode 0600; never follows a link in the
// last component. -1 on failure.
int OpenPrivateFile(const std::string& path);

}  // namespace vesmor
