#pragma once
// Points the per-user configuration (where the profile lives) at a fresh temporary directory.

#include <QSettings>
#include <QTemporaryDir>

namespace tagforge::test {

class TemporaryProfileHome {
  public:
    TemporaryProfileHome() : m_previous(qgetenv("XDG_CONFIG_HOME")) { Use(m_dir.path()); }
    ~TemporaryProfileHome() { Use(QString::fromLocal8Bit(m_previous)); }
    TemporaryProfileHome(const TemporaryProfileHome&) = delete;
    TemporaryProfileHome& operator=(const TemporaryProfileHome&) = delete;

    QString ProfileFile() const { return m_dir.path() + "/Vek Applikationen/VESMOR Tagforge.conf"; }

  private:
    // QSettings reads the variable once per process; its path is set along with it.
    static void Use(const QString& path) {
        qputenv("XDG_CONFIG_HOME", path.toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    }

    QTemporaryDir m_dir;
    QByteArray m_previous;
};

}  // namespace tagforge::test
