#include "platform/user_data_folder.h"

#include <cstdlib>

namespace tarnwell {

std::string UserDataFolder() {
    if (const char* local = std::getenv("LOCALAPPDATA"); local && *local) return local;
    if (const char* profile = std::getenv("USERPROFILE"); profile && *profile) return std::string(profile) + "\\AppData\\Local";
    return ".";
}

} // namespace tarnwell
