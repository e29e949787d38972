#include "platform/large_buffer.h"

#include <cstdlib>

namespace tarnwell {

// The heap hands large blocks straight from fresh pages already.
void* AllocateLargeBuffer(size_t size) { return std::malloc(size); }

void FreeLargeBuffer(void* buffer) { std::free(buffer); }

} // namespace tarnwell
