#include "platform/large_buffer.h"

#include <cstdlib>
#include <sys/mman.h>

namespace tarnwell {

namespace {

constexpr size_t kHugePage = 2 * 1024 * 1024;

} // namespace

void* AllocateLargeBuffer(size_t size) {
    if (size < kHugePage) return std::malloc(size);
    void* bytes = std::aligned_alloc(kHugePage, (size + kHugePage - 1) / kHugePage * kHugePage);
#ifdef MADV_HUGEPAGE
    if (bytes != nullptr) ::madvise(bytes, size, MADV_HUGEPAGE);
#endif
    return bytes;
}

void FreeLargeBuffer(void* buffer) { std::free(buffer); }

} // namespace tarnwell
