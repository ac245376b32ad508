#pragma once
// Texts that came from a reader, a transponder or the network, made safe to print on a
// terminal: a control character would otherwise move the cursor, recolour the screen, set the
// window title or start a forged line.

#include <string>
#include <string_view>

namespace vesmor::tools {

// What may stay as it is besides the printable characters.
enum class LineEnds {
    kEscape,  // every control character is escaped, line ends too (one-line texts)
    kKeep,    // "\n", a "\r" right before it, and "\t" stay (texts of several lines, log lines)
};

// `text` with every control character (0x00-0x1F, 0x7F, and the C1 controls U+0080-U+009F as
// UTF-8) written as a visible escape: "\r", "\n", "\t", "\e" for ESC, else "\xHH" for each byte.
// A backslash stays a single backslash; other bytes stay as they are.
std::string Printable(std::string_view text, LineEnds lineEnds = LineEnds::kEscape);

}  // namespace vesmor::tools
