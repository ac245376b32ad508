#include "library/list_buffer.h"

#include <cstring>

namespace vesmor {

int32_t WriteListBuffer(const std::vector<std::string>& names, char* buffer, int32_t size) {
    if (size <= 0) {
        return 0;
    }
    const size_t capacity = static_cast<size_t>(size);
    size_t used = 0;
    for (const std::string& name : names) {
        if (used + name.size() + 1 + 1 > capacity) {
            break;
        }
        std::memcpy(buffer + used, name.c_str(), name.size() + 1);
        used += name.size() + 1;
    }
    buffer[used] = '\0';
    return static_cast<int32_t>(used + 1);
}

}  // namespace vesmor
