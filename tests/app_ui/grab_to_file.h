#pragma once
// Pictures of windows for review: where they go, and saving one.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdio>

namespace tagforge::ui::test {

// The directory named by the render tool's first argument (default "screenshots"), made if
// needed.
inline QString ScreenshotDirectory(int argc, char** argv) {
    const QString directory = argc > 1 ? argv[1] : "screenshots";
    QDir().mkpath(directory);
    return directory;
}

// Saves a picture of a window and says where it went.
inline bool GrabToFile(QWidget& window, const QString& path) {
    QApplication::processEvents();
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

}  // namespace tagforge::ui::test
