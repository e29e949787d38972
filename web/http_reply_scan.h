#pragma once
// The device's CGI answers with free text; any "ok" in it means the setting took.
#include <cstddef>

namespace tarnwell {

// True when the two bytes "ok" (lower case) occur within the first `received`
// bytes of `reply`. Never reads past them: a reply may fill its buffer with no
// terminating zero.
bool ReplyContainsOk(const char* reply, size_t received);

} // namespace tarnwell
