#include "app/update/installer_start.h"

#include <spawn.h>

#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QUrl>

extern char** environ;

namespace tagforge::update {

namespace {

constexpr int kWaitBeforeStartMs = 1000;

// A second with painting but no input, as the user waits for the installer anyway.
void PauseKeepingWindowsPainted() {
    QEventLoop loop;
    QTimer::singleShot(kWaitBeforeStartMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// The first method's failure value: the QProcess error (0 when it could not start at all).
int StartAsProgram(const QString& path) {
    QProcess process;
    process.setProgram(path);
    return process.startDetached() ? -1 : static_cast<int>(QProcess::FailedToStart);
}

// The third method's failure value: the system's error number.
int SpawnDirectly(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    char* const argv[] = {const_cast<char*>(file.constData()), nullptr};
    pid_t pid = 0;
    return posix_spawn(&pid, file.constData(), nullptr, nullptr, argv, environ);
}

}  // namespace

InstallerStart StartInstaller(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return {false, QString("The File\n\"%1\"\ndoes not exist!").arg(path)};
    }
    PauseKeepingWindowsPainted();
    const int first = StartAsProgram(path);
    if (first < 0) {
        return {true, {}};
    }
    const int second = QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? -1 : 0;
    if (second < 0) {
        return {true, {}};
    }
    const int third = SpawnDirectly(path);
    if (third == 0) {
        return {true, {}};
    }
    return {false, QString("The File\n\"%1\"\ncan not be started!\nError %2 %3 %4")
                       .arg(path)
                       .arg(first)
                       .arg(second)
                       .arg(third)};
}

}  // namespace tagforge::update
