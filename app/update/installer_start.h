#pragma once
// Starting the downloaded installer.

#include <QString>

namespace tagforge::update {

struct InstallerStart {
    bool started = false;
    QString failure;  // the message for the user when not started
};

// Starts the program at `path`: first as a program of its own, then through the desktop's
// handler for the file, then as a process spawned directly. A missing file gives "The
// File\n\"<path>\"\ndoes not exist!"; three failures "The File\n\"<path>\"\ncan not be
// started!\nError <a> <b> <c>" with the three methods' failure values. Waits a second (keeping
// the windows painted) before the first attempt; the caller shows the wait cursor.
InstallerStart StartInstaller(const QString& path);

}  // namespace tagforge::update
