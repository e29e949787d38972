#pragma once
// Where the console keeps "UpgradeIP", "UpgradePort" and "UpgradeMacAddr"
// between runs. The Qt front end stores them through QSettings.
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwell {

inline constexpr char kSettingsKeyPath[] = "SOFTWARE\\Orvel Software\\Velmora";
inline constexpr char kSettingUpgradeIp[] = "UpgradeIP";
inline constexpr char kSettingUpgradePort[] = "UpgradePort";
inline constexpr char kSettingUpgradeMac[] = "UpgradeMacAddr";
// A stored text including its terminating zero must fit this read buffer.
inline constexpr size_t kSettingReadBuffer = 255;

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Opens the key, creating it when absent; false when it cannot be had.
    virtual bool Open() = 0;
    // The value as text, or nothing when it is missing, not a text, or does
    // not fit `bufferSize` bytes with its terminating zero.
    virtual std::optional<std::string> ReadString(const std::string& name, size_t bufferSize) = 0;
    virtual bool WriteString(const std::string& name, const std::string& value) = 0;
    virtual bool WriteNumber(const std::string& name, uint32_t value) = 0;
    // Writes out what was set; false when the store could not be written.
    virtual bool Close() = 0;
};

} // namespace tarnwell
