#include "platform/work_folder.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace tarnwell {

const char kWorkFolderBaseVariable[] = "XDG_DATA_HOME";

namespace {

std::filesystem::path DataHome() {
    const char* xdg = std::getenv(kWorkFolderBaseVariable);
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : "/tmp") / ".local" / "share";
}

} // namespace

std::string WorkFolderPath() {
    std::filesystem::path folder = DataHome() / "Tarnwell" / "work";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) return {};
    // Work files may hold firmware: keep them from other users.
    ::chmod(folder.c_str(), 0700);
    return folder.string();
}

std::string WorkFilePath(const std::string& name) {
    std::string folder = WorkFolderPath();
    // Never the current directory: a work file there could overwrite the operator's files.
    return folder.empty() ? std::string() : folder + "/" + name;
}

std::string WorkFilePath(const std::string& folder, const std::string& name) {
    return folder.empty() ? WorkFilePath(name) : folder + "/" + name;
}

} // namespace tarnwell
