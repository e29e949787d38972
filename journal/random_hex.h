#pragma once
// Random hex text for ids that must not repeat across stations and restarts:
// a journal's id, a reservation's token.
#include <cstddef>
#include <string>

namespace tarnwell {

// 2 * `bytes` lower-case hex digits from the system's random source.
std::string RandomHex(size_t bytes);

} // namespace tarnwell
