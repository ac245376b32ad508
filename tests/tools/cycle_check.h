#pragma once
// What tests of a write cycle look at: the lines of its log, the value a tag holds.

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace vesmor::test {

inline int LineCount(const std::string& path) {
    std::ifstream file(path);
    int lines = 0;
    for (std::string line; std::getline(file, line);) {
        ++lines;
    }
    return lines;
}

// The value of a format-2 write: the block's first 4 bytes, least significant first.
inline uint32_t BlockValue(const std::optional<std::vector<uint8_t>>& read) {
    const std::vector<uint8_t> block = read.value_or(std::vector<uint8_t>{});
    uint32_t value = 0;
    for (size_t i = std::min<size_t>(block.size(), 4); i-- > 0;) {
        value = (value << 8) | block[i];
    }
    return value;
}

}  // namespace vesmor::test
