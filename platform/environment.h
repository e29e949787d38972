#pragma once
// Setting and removing this process's environment variables.
#include <optional>
#include <string>

namespace tarnwell {

std::optional<std::string> EnvironmentVariable(const std::string& name);
void SetEnvironmentVariable(const std::string& name, const std::string& value);
void RemoveEnvironmentVariable(const std::string& name);

} // namespace tarnwell
