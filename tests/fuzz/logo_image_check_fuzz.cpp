// Any payload that a device receives after a 0xC7 block must give a verdict
// from the logo image check without reading outside it. Each input is also
// tried with its announced size mended, so mutations reach the image reader.
#include "sim/logo_image_check.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void Check(std::vector<uint8_t> payload) {
    tarnwell::sim::Exchange exchange;
    exchange.code = tarnwell::CmdReadyUpgrade;
    exchange.payload = std::move(payload);
    tarnwell::sim::CheckLastLogoImage({exchange});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> payload(data, data + size);
    Check(payload);
    if (size < 8) return 0;
    tarnwell::PutBigEndian32(payload.data(), 6);
    tarnwell::PutBigEndian32(payload.data() + 4, static_cast<uint32_t>(size - 8));
    Check(std::move(payload));
    return 0;
}
