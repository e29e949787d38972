#pragma once
// Snapshot capture: the file a picture is saved under, the bounds that keep an
// untrusted device from exhausting the workstation, and the copy of the
// picture stream into the file. The console handlers OnCapture and
// OnBrowseCaptureFolder are built on these.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/local_date_time.h"
#include "protocol/channel_limits.h"

namespace tarnwell {

class ReplyReader;

// "%04d%02d%02d_%02d%02d%02d" of the given local time.
std::string CaptureTimestamp(const LocalDateTime& at);

// "<folder>/<address>_<timestamp>.bmp", or "<address>_<timestamp>.bmp" in the
// current directory when the folder is empty.
std::string CaptureFileName(const std::string& folder, const std::string& deviceAddressText,
                            const LocalDateTime& at);

// A folder that may not hold snapshots: the filesystem root, or a drive root
// such as "C:\" on a Windows build.
bool IsRootFolder(const std::string& path);

enum class PictureEnd {
    Complete,    // every announced byte arrived
    Closed,      // the device closed or reset the connection first
    TimedOut,    // the device stopped sending for longer than the receive limit
    WriteFailed, // the file refused bytes; receiving stopped
};

struct PictureCopy {
    PictureEnd end = PictureEnd::Complete;
    uint64_t received = 0; // bytes that arrived, all of them written unless WriteFailed
};

// Receives at most `length` bytes that follow the capture reply and appends
// exactly what arrives to `file` as it arrives. Each receive is bounded by
// the socket's receive limit.
PictureCopy ReceivePicture(ReplyReader& replies, std::FILE* file, uint64_t length);

} // namespace tarnwell
