// POSIX sockets need no start-up; descriptors wait together in poll.
#include "platform/socket_handle.h"
#include "platform/socket_wait.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace tarnwell {

bool StartSockets() { return true; }

int LastSocketError() { return errno; }

SocketFailure LastSocketFailure() {
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK) return SocketFailure::TimedOut;
    if (error == EINTR) return SocketFailure::Interrupted;
    return SocketFailure::Other;
}

void CloseSocketHandle(SocketHandle handle) {
    if (handle != kInvalidSocket) ::close(static_cast<int>(handle));
}

int WaitForSockets(SocketWait* entries, size_t count, Milliseconds limit) {
    std::vector<pollfd> polled(count);
    for (size_t i = 0; i < count; ++i) {
        entries[i].ready = false;
        const short events = static_cast<short>((entries[i].forReading ? POLLIN : 0) | (entries[i].forWriting ? POLLOUT : 0));
        // A negative descriptor is skipped by poll itself.
        polled[i] = {entries[i].handle == kInvalidSocket ? -1 : static_cast<int>(entries[i].handle), events, 0};
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int wait = -1;
        if (limit.count() >= 0) {
            const auto left = std::chrono::duration_cast<Milliseconds>(deadline - std::chrono::steady_clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int ready = ::poll(polled.data(), polled.size(), wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return ready;
        int readyCount = 0;
        for (size_t i = 0; i < count; ++i) {
            entries[i].ready = (polled[i].revents & (polled[i].events | POLLERR | POLLHUP | POLLNVAL)) != 0;
            readyCount += entries[i].ready ? 1 : 0;
        }
        return readyCount;
    }
}

} // namespace tarnwell
