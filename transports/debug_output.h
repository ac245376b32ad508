#pragma once
// The library's debug channel: diagnostics nobody reads in normal use (a vendor library or one
// of its functions missing). When VESMOR_DEBUG is set each text goes to stderr with a newline,
// once per process however often it recurs (every list refresh tries the libraries again);
// otherwise it goes nowhere. It never reaches the trace viewer, which shows reader traffic.

#include <string>

namespace vesmor {

void DebugOutput(const std::string& text);

// Forgets which texts were written, so that each is written again once (for tests).
void ForgetDebugOutput();

}  // namespace vesmor
