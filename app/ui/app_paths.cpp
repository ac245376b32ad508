#include "app/ui/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tagforge::ui {

namespace {

QString WithSlash(QString directory) {
    return directory.endsWith('/') ? directory : directory + '/';
}

}  // namespace

QString ProgramDirectory() {
    return WithSlash(QCoreApplication::applicationDirPath());
}

QString DefaultLogDirectory() {
    const QString program = ProgramDirectory();
    if (QFileInfo(program).isWritable()) {
        return program;
    }
    // ~/.local/share (or $XDG_DATA_HOME) + maker + profile name.
    const QString directory =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/" + kMakerName +
        "/" + kProfileName;
    QDir().mkpath(directory);
    return WithSlash(directory);
}

}  // namespace tagforge::ui
