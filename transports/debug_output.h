#pragma once
// The library's debug channel: diagnostics nobody reads in normal use. Every text goes to the
// trace viewer (when one listens) and, when VESMOR_DEBUG is set, to stderr with a newline.

#include <string>

namespace vesmor {

void DebugOutput(const std::string& text);

}  // namespace vesmor
