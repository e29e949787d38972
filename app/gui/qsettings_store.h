#pragma once
// The console's settings through QSettings: on Linux the INI file
// $XDG_CONFIG_HOME/Orvel Software/Velmora.conf, on Windows the registry key of
// the machine hive. Same value names and types either way.
#include "platform/settings_store.h"

#include <memory>

class QSettings;

namespace tarnwell {

class QSettingsStore : public SettingsStore {
public:
    QSettingsStore();
    ~QSettingsStore() override;

    bool Open() override;
    std::optional<std::string> ReadString(const std::string& name, size_t bufferSize) override;
    bool WriteString(const std::string& name, const std::string& value) override;
    bool WriteNumber(const std::string& name, uint32_t value) override;
    bool Close() override;

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace tarnwell
