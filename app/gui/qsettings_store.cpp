#include "app/gui/qsettings_store.h"

#include <QSettings>

namespace tarnwell {

QSettingsStore::QSettingsStore() = default;

QSettingsStore::~QSettingsStore() = default;

bool QSettingsStore::Open() {
#ifdef _WIN32
    settings_ = std::make_unique<QSettings>(QString("HKEY_LOCAL_MACHINE\\") + kSettingsKeyPath, QSettings::NativeFormat);
#else
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Orvel Software", "Velmora");
#endif
    // A file that exists but cannot be read counts as a key that cannot be opened.
    return settings_->status() != QSettings::AccessError;
}

std::optional<std::string> QSettingsStore::ReadString(const std::string& name, size_t bufferSize) {
    if (!settings_) return std::nullopt;
    QVariant value = settings_->value(QString::fromStdString(name));
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    std::string text = value.toString().toStdString();
    if (text.size() + 1 > bufferSize) return std::nullopt;
    return text;
}

bool QSettingsStore::WriteString(const std::string& name, const std::string& value) {
    if (!settings_) return false;
    settings_->setValue(QString::fromStdString(name), QString::fromStdString(value));
    return true;
}

bool QSettingsStore::WriteNumber(const std::string& name, uint32_t value) {
    if (!settings_) return false;
    settings_->setValue(QString::fromStdString(name), value);
    return true;
}

bool QSettingsStore::Close() {
    if (!settings_) return false;
    settings_->sync();
    bool written = settings_->status() == QSettings::NoError;
    settings_.reset();
    return written;
}

} // namespace tarnwell
