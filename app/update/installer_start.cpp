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
int StartAsProgram(const QString& path, qint64& pid) {
    QProcess process;
    process.setProgram(path);
    return process.startDetached(&pid) ? -1 : static_cast<int>(QProcess::FailedToStart);
}

// The third method's failure value: the system's error number.
int SpawnDirectly(const QString& path, qint64& started) {
    const QByteArray file = QFile::encodeName(path);
    char* const argv[] = {const_cast<char*>(file.constData()), nullptr};
    pid_t pid = 0;
    const int error = posix_spawn(&pid, file.constData(), nullptr, nullptr, argv, environ);
    started = error == 0 ? pid : 0;
    return error;
}

}  // namespace

InstallerStart StartInstaller(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return {false, QString("The File\n\"%1\"\ndoes not exist!").arg(path)};
    }
    PauseKeepingWindowsPainted();
    qint64 pid = 0;
    const int first = StartAsProgram(path, pid);
    if (first < 0) {
        return {true, {}, pid};
    }
    const int second = QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? -1 : 0;
    if (second < 0) {
        return {true, {}, 0};
    }
    const int third = SpawnDirectly(path, pid);
    if (third == 0) {
        return {true, {}, pid};
    }
    return {false, QString("The File\n\"%1\"\ncan not be started!\nError %2 %3 %4")
                       .arg(path)
                       .arg(first)
                       .arg(second)
                       .arg(third)};
}

bool RemoveWhenEnded(qint64 pid, const QString& directory) {
    // tail --pid ends once the process has (checking once a second); rm does not follow links.
    return pid > 0 &&
           QProcess::startDetached(
               "/bin/sh", {"-c", "tail --pid=\"$1\" -f /dev/null 2>/dev/null; rm -rf -- \"$2\"",
                           "vesmor-update-cleanup", QString::number(pid), directory});
}

}  // namespace tagforge::update
