#pragma once
// Writes names into a caller's list buffer.

#include <cstdint>
#include <string>
#include <vector>

namespace vesmor {

// Each name with its NUL, then one more NUL. A name is written only if it and the final NUL
// still fit; the first name that does not fit ends the list. Returns the bytes written
// including the final NUL (0 when not even that fits).
int32_t WriteListBuffer(const std::vector<std::string>& names, char* buffer, int32_t size);

}  // namespace vesmor
