#pragma once
// What tests of a write cycle look at: the lines of its log, the value a tag holds.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
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

// The failed count of the tool's cycle summary ("… N Transponder geschrieben, M fehlgeschlagen, …"),
// or nothing when its error output holds no summary.
inline std::optional<int> FailedInSummary(const std::string& err) {
    static constexpr char kWritten[] = " Transponder geschrieben, ";
    const size_t at = err.find(kWritten);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::atoi(err.c_str() + at + sizeof kWritten - 1);
}

}  // namespace vesmor::test
