#include "platform/work_folder.h"

#include <cstdlib>
#include <filesystem>

namespace tarnwell {

const char kWorkFolderBaseVariable[] = "LOCALAPPDATA";

namespace {

// The per-user local application data folder; the profile folder when unset.
std::filesystem::path DataHome() {
    if (const char* local = std::getenv(kWorkFolderBaseVariable); local != nullptr && local[0] != 0) return local;
    if (const char* profile = std::getenv("USERPROFILE"); profile != nullptr && profile[0] != 0)
        return std::filesystem::path(profile) / "AppData" / "Local";
    return {};
}

} // namespace

std::string WorkFolderPath() {
    const std::filesystem::path home = DataHome();
    // Never a relative folder: a work file there could overwrite the operator's files.
    if (home.empty() || !home.is_absolute()) return {};
    const std::filesystem::path folder = home / "Tarnwell" / "work";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // The profile's own access rules already keep other users out.
    if (!std::filesystem::is_directory(folder, error)) return {};
    return folder.string();
}

std::string WorkFilePath(const std::string& name) {
    std::string folder = WorkFolderPath();
    return folder.empty() ? std::string() : folder + "\\" + name;
}

std::string WorkFilePath(const std::string& folder, const std::string& name) {
    return folder.empty() ? WorkFilePath(name) : folder + "\\" + name;
}

} // namespace tarnwell
