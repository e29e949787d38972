#include "journal/random_hex.h"

#include <random>

namespace tarnwell {

std::string RandomHex(size_t bytes) {
    static const char kDigits[] = "0123456789abcdef";
    thread_local std::random_device source;
    std::string text;
    text.reserve(bytes * 2);
    for (size_t i = 0; i < bytes; i += 4) {
        const uint32_t word = source();
        for (size_t b = 0; b < 4 && i + b < bytes; ++b) {
            const unsigned byte = (word >> (8 * b)) & 0xFF;
            text += kDigits[byte >> 4];
            text += kDigits[byte & 0xF];
        }
    }
    return text;
}

} // namespace tarnwell
