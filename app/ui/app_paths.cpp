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

bool IsInstalledProgramDirectory(const QString& programDirectory) {
    return QFileInfo::exists(WithSlash(programDirectory) +
                             "../share/applications/vesmor-tagforge.desktop");
}

QString ChooseLogDirectory(const QString& programDirectory, const QString& perUserDirectory) {
    if (QFileInfo(programDirectory).isWritable() &&
        !IsInstalledProgramDirectory(programDirectory)) {
        return WithSlash(programDirectory);
    }
    QDir().mkpath(perUserDirectory);
    return WithSlash(perUserDirectory);
}

QString DefaultLogDirectory() {
    // ~/.local/share (or $XDG_DATA_HOME) + maker + profile name.
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            "/" + kMakerName + "/" + kProfileName;
    return ChooseLogDirectory(ProgramDirectory(), perUser);
}

}  // namespace tagforge::ui
