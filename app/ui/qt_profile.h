#pragma once
// The per-user profile in QSettings: ~/.config/Vek Applikationen/VESMOR Tagforge.conf, one
// group per section.

#include <QSettings>

#include "app/core/settings_model.h"

namespace tagforge::ui {

class QtProfile final : public ProfileStore {
  public:
    QtProfile();

    int ReadInt(const std::string& section, const std::string& key, int defaultValue) override;
    void WriteInt(const std::string& section, const std::string& key, int value) override;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) override;
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;

    // Writes what was changed to the file now.
    void Flush() { m_settings.sync(); }
    // Writes the file and waits until it and its directory entry are on the disk.
    std::optional<std::string> Commit() override;
    std::string Location() const override { return m_settings.fileName().toStdString(); }

  private:
    QSettings m_settings;
};

}  // namespace tagforge::ui
