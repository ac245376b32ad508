#pragma once
// Writes names into a list buffer as the library does: each name with its NUL, then one more
// NUL; a name that does not fit ends the list.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tagforge::test {

inline int32_t WriteNames(const std::vector<std::string>& names, char* buffer, int32_t size) {
    int32_t at = 0;
    for (const std::string& name : names) {
        const auto length = static_cast<int32_t>(name.size());
        if (at + length + 2 > size) {
            break;
        }
        std::memcpy(buffer + at, name.c_str(), name.size() + 1);
        at += length + 1;
    }
    buffer[at] = '\0';
    return at + 1;
}

}  // namespace tagforge::test
