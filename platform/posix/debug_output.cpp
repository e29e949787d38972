#include "platform/debug_output.h"

#include <cstdio>

namespace tarnwell {

void OutputDebugText(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace tarnwell
