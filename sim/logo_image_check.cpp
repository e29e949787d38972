#include "sim/logo_image_check.h"

#include "protocol/picture_update.h"

namespace tarnwell::sim {

namespace {

std::uint32_t BigEndianWord(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | at[3];
}

bool IsPictureUpdate(const Exchange& exchange) {
    return exchange.code == CmdReadyUpgrade && exchange.payload.size() >= 8 &&
           BigEndianWord(exchange.payload.data()) == kLogoImageType;
}

} // namespace

LogoImageCheck CheckLastLogoImage(const std::vector<Exchange>& exchanges) {
    LogoImageCheck check;
    auto last = exchanges.rbegin();
    while (last != exchanges.rend() && !IsPictureUpdate(*last)) ++last;
    if (last == exchanges.rend()) {
        check.error = "no picture update arrived";
        return check;
    }
    check.found = true;
    check.connection = last->connection;
    check.announcedSize = BigEndianWord(last->payload.data() + 4);
    check.image.assign(last->payload.begin() + 8, last->payload.end());
    check.complete = last->complete && check.image.size() == check.announcedSize;
    if (!check.complete) {
        check.error = "announced " + std::to_string(check.announcedSize) + " bytes, received " +
                      std::to_string(check.image.size());
        return check;
    }
    CramfsImage image;
    if (!ReadCramfsImage(check.image, image, check.error)) return check;
    // The whole transfer is the image: trailing bytes would end up in flash too.
    if (image.length != check.image.size()) {
        check.error = "image of " + std::to_string(image.length) + " bytes sent as " +
                      std::to_string(check.image.size());
        return check;
    }
    check.valid = true;
    check.files = std::move(image.entries);
    return check;
}

} // namespace tarnwell::sim
