#pragma once
// This machine's name, as a station name in the journal.
#include <string>

namespace tarnwell {

// Empty when the system does not tell.
std::string HostName();

} // namespace tarnwell
