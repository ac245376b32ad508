#pragma once
// Checks of traced lines: the stopwatch line format, time stamps, and the place of the
// stopwatch lines among the frame dumps of a write.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vesmor::test {

// The text with every digit replaced by 'd', to compare against a shape.
inline std::string DigitShape(const std::string& text) {
    std::string shape = text;
    std::replace_if(
        shape.begin(), shape.end(), [](char c) { return c >= '0' && c <= '9'; }, 'd');
    return shape;
}

// "[%08u] <label> %d:%02d.%03d.%03d min\n" (with fewer than ten minutes).
inline bool IsStopwatchLine(const std::string& text, const std::string& label) {
    const std::string shape = "[dddddddd] " + label + " d:dd.ddd.ddd min\n";
    return DigitShape(text) == shape && text[shape.size() - 15] <= '5';
}

// The lines of a text, each with its line end.
inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size() - 1);
        lines.push_back(text.substr(start, end + 1 - start));
        start = end + 1;
    }
    return lines;
}

// A line "HH:MM:SS.mmm " + text... of vesmor-trace, the text starting with prefix.
inline bool HasStampedLine(const std::string& output, const std::string& prefix) {
    const std::vector<std::string> lines = SplitLines(output);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.size() > 13 && DigitShape(line.substr(0, 13)) == "dd:dd:dd.ddd " &&
               line.compare(13, prefix.size(), prefix) == 0;
    });
}

inline bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// In the frame dumps and stopwatch lines of one write on port 1: the inventory request and
// answer, "Nach Inventory", the tag information request and answer, "Inventory" (the end of the
// transponder step), then the first block is written.
inline void ExpectStopwatchAroundTheInventory(const std::vector<std::string>& lines) {
    const auto nach = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return IsStopwatchLine(line, "Nach Inventory");
    });
    ASSERT_NE(nach, lines.end());
    ASSERT_GE(nach - lines.begin(), 2);
    ASSERT_GE(lines.end() - nach, 5);
    EXPECT_TRUE(StartsWith(nach[-2], ">(00000001) 02 01 20 03 25 01 00 06 ")) << nach[-2];
    EXPECT_TRUE(StartsWith(nach[-1], "<(00000001) 02 01 00 ")) << nach[-1];
    EXPECT_TRUE(StartsWith(nach[1], ">(00000001) 02 01 20 0a 21 2b ")) << nach[1];
    EXPECT_TRUE(StartsWith(nach[2], "<(00000001) ")) << nach[2];
    EXPECT_TRUE(IsStopwatchLine(nach[3], "Inventory")) << nach[3];
    EXPECT_TRUE(StartsWith(nach[4], ">(00000001) 02 01 20 0f 21 21 ")) << nach[4];
}

}  // namespace vesmor::test
