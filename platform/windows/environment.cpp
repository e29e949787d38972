#include "platform/environment.h"

#include <cstdlib>

namespace tarnwell {

// The C runtime's copy is what getenv reads.
void SetEnvironmentVariable(const std::string& name, const std::string& value) { ::_putenv_s(name.c_str(), value.c_str()); }

// An empty value removes the variable from the runtime's environment.
void RemoveEnvironmentVariable(const std::string& name) { ::_putenv_s(name.c_str(), ""); }

} // namespace tarnwell
