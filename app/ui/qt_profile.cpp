#include "app/ui/qt_profile.h"

#include "app/ui/app_paths.h"

namespace tagforge::ui {

namespace {

QString Key(const std::string& section, const std::string& key) {
    return QString::fromStdString(section + "/" + key);
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
