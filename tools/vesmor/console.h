#pragma once
// The console the tool writes to: UTF-8 text with line feeds on every system.

namespace vesmor::cli {

// On Windows: the console shows UTF-8, and standard output and error pass "\n" through
// unchanged (no "\r\n"), so the output is the same bytes as on Linux. Elsewhere nothing.
void PrepareConsole();

}  // namespace vesmor::cli
