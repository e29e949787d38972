#pragma once
// Settings kept in memory, with switches for a key that cannot be opened or written.
#include "platform/settings_store.h"

#include <map>
#include <variant>

namespace tarnwell::test {

class MemorySettingsStore : public SettingsStore {
public:
    using Value = std::variant<std::string, uint32_t>;
    std::map<std::string, Value> values;
    bool openFails = false;
    bool closeFails = false;

    bool Open() override { return !openFails; }
    std::optional<std::string> ReadString(const std::string& name, size_t bufferSize) override {
        auto found = values.find(name);
        if (found == values.end()) return std::nullopt;
        const std::string* text = std::get_if<std::string>(&found->second);
        if (text == nullptr || text->size() + 1 > bufferSize) return std::nullopt;
        return *text;
    }
    bool WriteString(const std::string& name, const std::string& value) override {
        values[name] = value;
        return true;
    }
    bool WriteNumber(const std::string& name, uint32_t value) override {
        values[name] = value;
        return true;
    }
    bool Close() override { return !closeFails; }
};

} // namespace tarnwell::test
