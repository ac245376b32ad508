#include "transports/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace vesmor {

namespace {

std::mutex g_mutex;
std::set<std::string>& Written() {
    static std::set<std::string> written;
    return written;
}

}  // namespace

void DebugOutput(const std::string& text) {
    if (std::getenv("VESMOR_DEBUG") == nullptr) {
        return;
    }
    const std::lock_guard lock(g_mutex);
    if (Written().insert(text).second) {
        (void)std::fprintf(stderr, "%s\n", text.c_str());
    }
}

void ForgetDebugOutput() {
    const std::lock_guard lock(g_mutex);
    Written().clear();
}

}  // namespace vesmor
