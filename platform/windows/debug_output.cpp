#include "platform/debug_output.h"

#include <windows.h>

#include <string>

namespace tarnwell {

void OutputDebugText(std::string_view text) { ::OutputDebugStringA(std::string(text).c_str()); }

} // namespace tarnwell
