#pragma once
// What the device's web server sent back, read within the bytes received: its
// status, whether it is complete (by Content-Length or the last chunk), and
// whether it says the setting took. Never reads past `received`: a reply may
// fill its buffer with no terminating zero.
#include <cstddef>
#include <optional>
#include <string>

namespace tarnwell {

// True when the two bytes "ok" (lower case) occur within the first `received` bytes.
bool ReplyContainsOk(const char* reply, size_t received);

// The status code of a reply that begins with an HTTP status line.
std::optional<int> ReplyStatusCode(const char* reply, size_t received);

// True when the reply begins with an HTTP status line whose code is 4xx or 5xx.
bool ReplyIsHttpError(const char* reply, size_t received);

// True once the header has ended and the body is in: as many bytes as its
// Content-Length names, or a chunked body up to its last chunk. A reply that
// names neither is complete only when the device closes.
bool ReplyIsComplete(const char* reply, size_t received);

// The body as far as it arrived, chunks joined; the whole text when the reply
// has no status line.
std::string ReplyBody(const char* reply, size_t received);

// What the serial setting takes as success: the word "ok" (lower case, not
// part of a longer word) in the body of a 2xx reply, or anywhere in a reply
// without a status line.
bool ReplySetsSerial(const char* reply, size_t received);

} // namespace tarnwell
