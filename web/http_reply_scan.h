#pragma once
// The device's CGI answers with free text; any "ok" in it means the setting
// took, unless the status line says the request failed.
#include <cstddef>

namespace tarnwell {

// True when the two bytes "ok" (lower case) occur within the first `received`
// bytes of `reply`. Never reads past them: a reply may fill its buffer with no
// terminating zero.
bool ReplyContainsOk(const char* reply, size_t received);

// True when the reply begins with an HTTP status line whose code is 4xx or 5xx.
bool ReplyIsHttpError(const char* reply, size_t received);

// True once the reply's header has ended and a Content-Length it names has
// arrived in full; a reply without one is complete only when the device closes.
bool ReplyIsComplete(const char* reply, size_t received);

// What the serial setting takes as success: no HTTP error, and an "ok".
bool ReplySetsSerial(const char* reply, size_t received);

} // namespace tarnwell
