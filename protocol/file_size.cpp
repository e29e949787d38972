#include "protocol/file_size.h"

#include <sys/stat.h>

namespace tarnwell {

std::uint64_t FileSizeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || info.st_size < 0) return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

} // namespace tarnwell
