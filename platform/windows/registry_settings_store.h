#pragma once
// The console's settings in the registry: the key in the local machine hive,
// opened with full access and created when absent, REG_SZ texts stored with
// their terminating zero and a REG_DWORD port. Writes go to the registry at
// once; Close only releases the key.
#include "platform/settings_store.h"

#include <string>

namespace tarnwell {

enum class RegistryHive { LocalMachine, CurrentUser };

class RegistrySettingsStore final : public SettingsStore {
public:
    // The settings key of the console; another hive or key for tests.
    explicit RegistrySettingsStore(RegistryHive hive = RegistryHive::LocalMachine, std::string keyPath = kSettingsKeyPath);
    ~RegistrySettingsStore() override;

    bool Open() override;
    std::optional<std::string> ReadString(const std::string& name, size_t bufferSize) override;
    bool WriteString(const std::string& name, const std::string& value) override;
    bool WriteNumber(const std::string& name, uint32_t value) override;
    bool Close() override;

private:
    RegistryHive hive_;
    std::string keyPath_;
    void* key_ = nullptr;  // HKEY while open
    bool writeFailed_ = false;
};

} // namespace tarnwell
