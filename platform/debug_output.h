#pragma once
// Diagnostics meant for a developer with a debugger, never for the operator.
// The debugger output channel on Windows, standard error elsewhere.
#include <string_view>

namespace tarnwell {

void OutputDebugText(std::string_view text);

} // namespace tarnwell
