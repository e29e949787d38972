// Windows Sockets 2.2, started once for the whole process and released at its
// end; WSAPoll stands in for poll.
#include "platform/socket_handle.h"
#include "platform/socket_wait.h"

#include <winsock2.h>

#include <vector>

namespace tarnwell {

namespace {

class SocketLayer {
public:
    SocketLayer() {
        WSADATA data{};
        started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        // A start that fails is cleaned up at once; sockets then fail to be created.
        if (!started_) ::WSACleanup();
    }
    ~SocketLayer() {
        if (started_) ::WSACleanup();
    }
    bool Started() const { return started_; }

private:
    bool started_ = false;
};

} // namespace

bool StartSockets() {
    static SocketLayer layer;
    return layer.Started();
}

int LastSocketError() { return ::WSAGetLastError(); }

SocketFailure LastSocketFailure() {
    const int error = ::WSAGetLastError();
    // A receive limit that passes fails with WSAETIMEDOUT, not a would-block code.
    if (error == WSAETIMEDOUT || error == WSAEWOULDBLOCK) return SocketFailure::TimedOut;
    if (error == WSAEINTR) return SocketFailure::Interrupted;
    return SocketFailure::Other;
}

void CloseSocketHandle(SocketHandle handle) {
    if (handle != kInvalidSocket) ::closesocket(static_cast<SOCKET>(handle));
}

int WaitForSockets(SocketWait* entries, size_t count, Milliseconds limit) {
    std::vector<WSAPOLLFD> polled;
    std::vector<size_t> positions;
    for (size_t i = 0; i < count; ++i) {
        entries[i].ready = false;
        // WSAPoll fails on an invalid handle instead of skipping it.
        if (entries[i].handle == kInvalidSocket) continue;
        WSAPOLLFD entry{};
        entry.fd = static_cast<SOCKET>(entries[i].handle);
        entry.events = static_cast<SHORT>((entries[i].forReading ? POLLRDNORM : 0) | (entries[i].forWriting ? POLLWRNORM : 0));
        polled.push_back(entry);
        positions.push_back(i);
    }
    const int wait = limit.count() < 0 ? -1 : static_cast<int>(limit.count());
    if (polled.empty()) {
        if (wait > 0) ::Sleep(static_cast<DWORD>(wait));
        return 0;
    }
    const int ready = ::WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), wait);
    if (ready <= 0) return ready < 0 ? -1 : 0;
    int readyCount = 0;
    for (size_t k = 0; k < polled.size(); ++k) {
        const bool ready_now = (polled[k].revents & (polled[k].events | POLLERR | POLLHUP | POLLNVAL)) != 0;
        entries[positions[k]].ready = ready_now;
        readyCount += ready_now ? 1 : 0;
    }
    return readyCount;
}

} // namespace tarnwell
