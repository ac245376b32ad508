#pragma once
// A running vesmor-sim announces its pseudo-terminal in the user's runtime directory, so that
// the serial port list can offer the simulated reader like a device.

#include <string>
#include <vector>

namespace vesmor {

// The text that marks a simulated reader in the port list.
inline constexpr const char* kSimulatorMarker = " [VESMOR Simulator]";

// Where announcements live: $VESMOR_RUNTIME_DIR, else the user's runtime directory
// (UserRuntimeDirectory: $XDG_RUNTIME_DIR, else a private /tmp/vesmor-<uid>), followed by
// "/vesmor-sim", a directory of mode 0700 made when absent. "" with the reason in `problem`
// when one of them belongs to another user or is open to others.
std::string SimulatorAnnouncementDirectory(std::string* problem = nullptr);

// Announces `devicePath` for this process; returns the announcement's file ("" when it could not
// be written, with the reason in `problem`). The file holds the path and a line feed, is named
// after the process id and is put in place by a rename, never written through a link.
std::string AnnounceSimulator(const std::string& devicePath, std::string* problem = nullptr);

// The devices of running simulators, each followed by the marker, sorted. Announcements of
// processes that have ended or whose device has gone are left out.
std::vector<std::string> AnnouncedSimulators();

}  // namespace vesmor
