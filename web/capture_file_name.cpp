#include "web/snapshot_capture.h"

namespace tarnwell {

std::string CaptureTimestamp(const LocalDateTime& at) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d_%02d%02d%02d", at.year, at.month, at.day, at.hour,
                  at.minute, at.second);
    return text;
}

std::string CaptureFileName(const std::string& folder, const std::string& deviceAddressText,
                            const LocalDateTime& at) {
    std::string name = deviceAddressText + "_" + CaptureTimestamp(at) + ".bmp";
    return folder.empty() ? name : folder + "/" + name;
}

bool IsRootFolder(const std::string& path) {
    if (path == "/") return true;
    return path.size() >= 2 && path.compare(path.size() - 2, 2, ":\\") == 0;
}

} // namespace tarnwell
