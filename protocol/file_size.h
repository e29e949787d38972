#pragma once
#include <cstdint>
#include <string>

namespace tarnwell {

// The file's size as the file system reports it, or 0 when it cannot be learned.
std::uint64_t FileSizeOf(const std::string& path);

} // namespace tarnwell
