#include "app/ui/qt_profile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>

#include "app/core/log_file.h"
#include "app/ui/app_paths.h"

namespace tagforge::ui {

namespace {

QString Key(const std::string& section, const std::string& key) {
    return QString::fromStdString(section + "/" + key);
}

// Waits until what was written to `path` (a file or a directory) is on the disk; errno when not.
int SyncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

}  // namespace

QtProfile::QtProfile()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, kMakerName, kProfileName) {}

int QtProfile::ReadInt(const std::string& section, const std::string& key, int defaultValue) {
    const QVariant value = m_settings.value(Key(section, key));
    bool ok = false;
    const int number = value.toInt(&ok);
    return value.isValid() && ok ? number : defaultValue;
}

void QtProfile::WriteInt(const std::string& section, const std::string& key, int value) {
    m_settings.setValue(Key(section, key), value);
}

std::string QtProfile::ReadString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) {
    const QVariant value = m_settings.value(Key(section, key));
    return value.isValid() ? value.toString().toStdString() : defaultValue;
}

void QtProfile::WriteString(const std::string& section, const std::string& key,
                            const std::string& value) {
    m_settings.setValue(Key(section, key), QString::fromStdString(value));
}

}  // namespace tagforge::ui

namespace tagforge::ui {

// QSettings replaces the file by renaming a new one over it: the file's blocks and the renamed
// directory entry both have to reach the disk before the value counts as stored.
std::optional<std::string> QtProfile::Commit() {
    m_settings.sync();
    if (m_settings.status() != QSettings::NoError) {
        return FileErrorText(m_settings.status() == QSettings::AccessError ? EACCES : EIO);
    }
    const QString file = m_settings.fileName();
    int error = SyncPath(file, O_RDONLY);
    if (error == 0) {
        error = SyncPath(QFileInfo(file).absolutePath(), O_RDONLY | O_DIRECTORY);
    }
    if (error != 0) {
        return FileErrorText(error);
    }
    return std::nullopt;
}

}  // namespace tagforge::ui
