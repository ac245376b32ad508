#pragma once
// The system's own text for a Win32 or Winsock error code, for the simulator's messages.

#include <string>

namespace vesmor::sim {

// FormatMessageA's text without its line end; "error N" when the system has none.
std::string SystemErrorText(unsigned long code);

}  // namespace vesmor::sim
