#pragma once
// Starting the downloaded installer.

#include <QString>

namespace tagforge::update {

struct InstallerStart {
    bool started = false;
    QString failure;  // the message for the user when not started
    qint64 pid = 0;   // the installer's process, when known (not through the desktop's handler)
};

// Starts the program at `path`: first as a program of its own, then through the desktop's
// handler for the file, then as a process spawned directly. A missing file gives "The
// File\n\"<path>\"\ndoes not exist!"; three failures "The File\n\"<path>\"\ncan not be
// started!\nError <a> <b> <c>" with the three methods' failure values. Waits a second (keeping
// the windows painted) before the first attempt; the caller shows the wait cursor.
InstallerStart StartInstaller(const QString& path);

// Removes `directory` (the installer's private download directory) once the process `pid` has
// ended, from a small process of its own, since this program ends right after the start.
// Returns whether that process started.
bool RemoveWhenEnded(qint64 pid, const QString& directory);

}  // namespace tagforge::update
