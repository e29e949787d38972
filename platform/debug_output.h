#pragma once
// Diagnostics meant for a developer with a debugger, never for the operator.
// Stands in for the Windows debug-string call; here they go to standard error.
#include <string_view>

namespace tarnwell {

void OutputDebugText(std::string_view text);

} // namespace tarnwell
