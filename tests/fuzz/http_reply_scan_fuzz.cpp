// The "ok", status and length scans over whatever a device's web server sends back, at any length,
// in a heap block of exactly that length so that any over-read is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "web/http_cgi_client.h"
#include "web/http_reply_scan.h"

namespace {

bool ContainsOkBounded(const char* data, size_t size) {
    for (size_t i = 0; i + 1 < size; ++i) {
        if (data[i] == 'o' && data[i + 1] == 'k') return true;
    }
    return false;
}

void Check(const uint8_t* data, size_t size) {
    auto block = std::make_unique<char[]>(size == 0 ? 1 : size);
    if (size > 0) std::memcpy(block.get(), data, size);
    if (tarnwell::ReplyContainsOk(block.get(), size) != ContainsOkBounded(block.get(), size)) std::abort();
    // The status and length scans run over the same exact block, so an over-read is caught.
    bool error = tarnwell::ReplyIsHttpError(block.get(), size);
    (void)tarnwell::ReplyIsComplete(block.get(), size);
    // Success needs an "ok" somewhere and no error status.
    if (tarnwell::ReplySetsSerial(block.get(), size) && (error || !ContainsOkBounded(block.get(), size))) std::abort();
    // The body is never longer than the reply it comes from.
    if (tarnwell::ReplyBody(block.get(), size).size() > size) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Check(data, size);
    // What one receive into the reply buffer can hold.
    if (size > tarnwell::kHttpBufferSize) Check(data, tarnwell::kHttpBufferSize);
    return 0;
}
