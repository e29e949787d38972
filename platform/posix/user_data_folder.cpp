#include "platform/user_data_folder.h"

#include <cstdlib>

namespace tarnwell {

std::string UserDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return xdg;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share";
    return ".";
}

} // namespace tarnwell
