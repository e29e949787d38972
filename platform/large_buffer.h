#pragma once
// Buffers for whole package members. Filling a fresh buffer page by page costs
// more than reading the file from the cache, so large ones go into huge pages
// where the system offers them.
#include <cstddef>

namespace tarnwell {

// Null when there is not enough memory.
void* AllocateLargeBuffer(size_t size);
// Releases a buffer from AllocateLargeBuffer; null is ignored.
void FreeLargeBuffer(void* buffer);

} // namespace tarnwell
