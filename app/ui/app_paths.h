#pragma once
// Where the application keeps its files.

#include <QString>

namespace tagforge::ui {

// Maker and profile name: the profile's location and the per-user data directory.
inline constexpr const char* kMakerName = "Vek Applikationen";
inline constexpr const char* kProfileName = "VESMOR Tagforge";

// Directory of the running program, ending in '/'.
QString ProgramDirectory();

// Directory for the default log files, ending in '/': the program directory when it is
// writable, else the per-user data directory (created when missing), so that an installed
// program does not log into nothing.
QString DefaultLogDirectory();

}  // namespace tagforge::ui
