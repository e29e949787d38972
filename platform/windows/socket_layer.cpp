// Windows Sockets 2.2, started once for the whole process and released at its
// end; select stands in for poll.
#include "platform/socket_handle.h"
#include "platform/socket_wait.h"

#include <winsock2.h>


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
    // select rather than WSAPoll: WSAPoll on many Windows versions never
    // reports a refused non-blocking connect, which then waits out its limit.
    // A failed connect shows in the exception set.
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    size_t watched = 0;
    for (size_t i = 0; i < count; ++i) {
        entries[i].ready = false;
        // select fails on an invalid handle instead of skipping it.
        if (entries[i].handle == kInvalidSocket) continue;
        if (++watched > FD_SETSIZE) return -1;
        const SOCKET handle = static_cast<SOCKET>(entries[i].handle);
        if (entries[i].forReading) FD_SET(handle, &readable);
        if (entries[i].forWriting) FD_SET(handle, &writable);
        FD_SET(handle, &failed);
    }
    if (watched == 0) {
        // select refuses empty sets; wait the time out all the same.
        if (limit.count() > 0) ::Sleep(static_cast<DWORD>(limit.count()));
        return 0;
    }
    timeval wait{};
    wait.tv_sec = static_cast<long>(limit.count() / 1000);
    wait.tv_usec = static_cast<long>((limit.count() % 1000) * 1000);
    const int ready = ::select(0, &readable, &writable, &failed, limit.count() < 0 ? nullptr : &wait);
    if (ready <= 0) return ready < 0 ? -1 : 0;
    int readyCount = 0;
    for (size_t i = 0; i < count; ++i) {
        if (entries[i].handle == kInvalidSocket) continue;
        const SOCKET handle = static_cast<SOCKET>(entries[i].handle);
        entries[i].ready = FD_ISSET(handle, &readable) || FD_ISSET(handle, &writable) || FD_ISSET(handle, &failed);
        readyCount += entries[i].ready ? 1 : 0;
    }
    return readyCount;
}

} // namespace tarnwell
