// On Windows the simulator serves a COM port pair or TCP; it has no pseudo-terminal to
// announce, so the port list gets no simulated readers from here.

#include "transports/sim_announcement.h"

namespace vesmor {

std::string SimulatorAnnouncementDirectory(std::string* problem) {
    if (problem != nullptr) {
        *problem = "simulated readers are not announced on Windows";
    }
    return {};
}

std::string AnnounceSimulator(const std::string& /*devicePath*/, std::string* problem) {
    if (problem != nullptr) {
        *problem = "simulated readers are not announced on Windows";
    }
    return {};
}

std::vector<std::string> AnnouncedSimulators() {
    return {};
}

}  // namespace vesmor
