#pragma once
// Where the application keeps its files.

#include <QString>

namespace tagforge::ui {

// Maker and profile name: the profile's location and the per-user data directory.
inline constexpr const char* kMakerName = "Vek Applikationen";
inline constexpr const char* kProfileName = "VESMOR Tagforge";

// Directory of the running program, ending in '/'.
QString ProgramDirectory();

// Whether the program runs from an installed tree (its menu entry lies in ../share): a
// system directory such as /usr/bin is then no place for logs, even for root who may write it.
bool IsInstalledProgramDirectory(const QString& programDirectory);

// Directory for the default log files, ending in '/': the program directory when it is
// writable and not an installed tree, else perUserDirectory (created when missing), so that an
// installed program neither logs into nothing nor into /usr/bin.
QString ChooseLogDirectory(const QString& programDirectory, const QString& perUserDirectory);
QString DefaultLogDirectory();

}  // namespace tagforge::ui
