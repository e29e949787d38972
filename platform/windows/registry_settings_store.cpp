#include "platform/windows/registry_settings_store.h"

#include <windows.h>

#include <vector>

namespace tarnwell {

namespace {

HKEY Native(void* key) { return static_cast<HKEY>(key); }

HKEY Root(RegistryHive hive) { return hive == RegistryHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

} // namespace

RegistrySettingsStore::RegistrySettingsStore(RegistryHive hive, std::string keyPath)
    : hive_(hive), keyPath_(std::move(keyPath)) {}

RegistrySettingsStore::~RegistrySettingsStore() { Close(); }

bool RegistrySettingsStore::Open() {
    Close();
    HKEY key = nullptr;
    // Without administrator rights the machine hive refuses full access; the
    // settings are then neither read nor saved, silently.
    if (::RegCreateKeyExA(Root(hive_), keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    key_ = key;
    writeFailed_ = false;
    return true;
}

std::optional<std::string> RegistrySettingsStore::ReadString(const std::string& name, size_t bufferSize) {
    if (key_ == nullptr || bufferSize == 0) return std::nullopt;
    std::vector<char> buffer(bufferSize, 0);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(bufferSize);
    // A value longer than the buffer fails with ERROR_MORE_DATA: the field keeps its default.
    if (::RegQueryValueExA(Native(key_), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    // A text stored without its zero fills the buffer exactly; it must still end in one.
    if (size >= bufferSize && buffer[bufferSize - 1] != 0) return std::nullopt;
    size_t length = 0;
    while (length < size && buffer[length] != 0) ++length;
    return std::string(buffer.data(), length);
}

bool RegistrySettingsStore::WriteString(const std::string& name, const std::string& value) {
    if (key_ == nullptr) return false;
    const bool ok = ::RegSetValueExA(Native(key_), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    writeFailed_ = writeFailed_ || !ok;
    return ok;
}

bool RegistrySettingsStore::WriteNumber(const std::string& name, uint32_t value) {
    if (key_ == nullptr) return false;
    const DWORD number = value;
    const bool ok = ::RegSetValueExA(Native(key_), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                     sizeof number) == ERROR_SUCCESS;
    writeFailed_ = writeFailed_ || !ok;
    return ok;
}

bool RegistrySettingsStore::Close() {
    if (key_ == nullptr) return false;
    ::RegCloseKey(Native(key_));
    key_ = nullptr;
    return !writeFailed_;
}

} // namespace tarnwell
