#pragma once
// Sets an environment variable, or removes it, for the life of the object,
// and puts the previous state back; programs started meanwhile inherit it.
#include "platform/environment.h"

#include <optional>
#include <string>

namespace tarnwell::test {

class EnvironmentOverride {
public:
    EnvironmentOverride(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)), previous_(EnvironmentVariable(name_)) {
        Apply(value);
    }
    ~EnvironmentOverride() { Apply(previous_); }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    void Apply(const std::optional<std::string>& value) {
        if (value)
            SetEnvironmentVariable(name_, *value);
        else
            RemoveEnvironmentVariable(name_);
    }

    std::string name_;
    std::optional<std::string> previous_;
};

} // namespace tarnwell::test
