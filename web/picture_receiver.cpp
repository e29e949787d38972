#include <algorithm>
#include <vector>

#include "platform/tcp_socket.h"
#include "protocol/reply_reader.h"
#include "web/snapshot_capture.h"

namespace tarnwell {

PictureCopy ReceivePicture(ReplyReader& replies, std::FILE* file, uint64_t length) {
    // A fixed buffer: the announced length decides how much is read, never how much is allocated.
    std::vector<uint8_t> buffer(64 * 1024);
    PictureCopy copy;
    while (copy.received < length) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), length - copy.received));
        ssize_t got = replies.ReceiveFollowing(buffer.data(), want);
        if (got == 0) {
            copy.end = PictureEnd::Closed;
            return copy;
        }
        if (got < 0) {
            copy.end = LastSocketFailure() == SocketFailure::TimedOut ? PictureEnd::TimedOut : PictureEnd::Closed;
            return copy;
        }
        copy.received += static_cast<uint64_t>(got);
        if (std::fwrite(buffer.data(), 1, static_cast<size_t>(got), file) != static_cast<size_t>(got)) {
            copy.end = PictureEnd::WriteFailed;
            return copy;
        }
    }
    copy.end = PictureEnd::Complete;
    return copy;
}

} // namespace tarnwell
