#pragma once
// A running vesmor-sim announces its pseudo-terminal in the user's runtime directory, so that
// the serial port list can offer the simulated reader like a device.

#include <string>
#include <vector>

namespace vesmor {

// The text that marks a simulated reader in the port list.
inline constexpr const char* kSimulatorMarker = " [VESMOR Simulator]";

// Where announcements live: $VESMOR_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else /tmp/vesmor-<uid>,
// each followed by "/vesmor-sim".
std::string SimulatorAnnouncementDirectory();

// Announces `devicePath` for this process; returns the announcement's file ("" when it could not
// be written). The file holds the path and a line feed and is named after the process id.
std::string AnnounceSimulator(const std::string& devicePath);

// The devices of running simulators, each followed by the marker, sorted. Announcements of
// processes that have ended or whose device has gone are left out.
std::vector<std::string> AnnouncedSimulators();

}  // namespace vesmor
