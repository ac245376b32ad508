// On Windows the simulator serves a COM port pair or TCP; it has no pseudo-terminal to
// announce, so the port list gets no simulated readers from here.

#include "transports/sim_announcement.h"

#include <cstdlib>

namespace vesmor {

std::string SimulatorAnnouncementDirectory() {
    const char* base = std::getenv("VESMOR_RUNTIME_DIR");
    return std::string(base != nullptr ? base : ".") + "\\vesmor-sim";
}

std::string AnnounceSimulator(const std::string& /*devicePath*/) {
    return {};
}

std::vector<std::string> AnnouncedSimulators() {
    return {};
}

}  // namespace vesmor
