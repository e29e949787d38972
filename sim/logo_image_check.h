#pragma once
// The device's view of a picture update: finds the last logo image among the
// exchanges a simulated device received and reads it as the device would.
// A picture update is a 0xC7 exchange whose payload starts with attributes of
// the logo type (big-endian type, big-endian size) followed by the image.
#include "sim/cramfs_reader.h"
#include "sim/simulated_device.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell::sim {

struct LogoImageCheck {
    bool found = false;          // a picture update arrived at all
    int connection = 0;          // the connection it came on
    std::uint32_t announcedSize = 0;
    std::vector<std::uint8_t> image; // the bytes after the attributes
    bool complete = false;       // exactly the announced bytes arrived
    bool valid = false;          // complete, and a consistent image
    std::string error;           // why it is not valid
    std::vector<CramfsFile> files; // the image's files, in directory order
};

// The last picture update in `exchanges`; `found` is false when there is none.
LogoImageCheck CheckLastLogoImage(const std::vector<Exchange>& exchanges);

} // namespace tarnwell::sim
