#pragma once
// One IPv4 TCP socket with an owner. Everything the rest of the program knows
// about stream sockets goes through here; platform/posix and platform/windows
// each implement it.
#include "platform/ipv4_text.h"
#include "platform/socket_handle.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>

namespace tarnwell {

// A Windows connect gives up after about 21 s; Linux would wait two minutes.
inline constexpr Milliseconds kDefaultConnectLimit{21000};

class TcpSocket {
public:
    TcpSocket() = default;
    explicit TcpSocket(SocketHandle handle) : fd_(handle) {}
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // socket(AF_INET, SOCK_STREAM, 0); an invalid socket when that fails.
    static TcpSocket Create();

    bool IsValid() const { return fd_ != kInvalidSocket; }
    SocketHandle Descriptor() const { return fd_; }

    // Blocking connect to a dotted-decimal address (inet_addr rules) and port,
    // given up after `limit`. 0.0.0.0 is refused as Winsock refuses it.
    bool Connect(const std::string& address, uint16_t port, Milliseconds limit = kDefaultConnectLimit);
    // Starts a connect on a non-blocking socket: true when it completed or is under way.
    bool StartConnect(const std::string& address, uint16_t port, bool& completed);

    // One send call; bytes sent, or -1. Never raises SIGPIPE.
    ssize_t SendSome(const void* data, size_t length);
    // Sends every byte, going on after partial sends and interruptions.
    bool SendAll(const void* data, size_t length);
    // One receive call: bytes received, 0 when the peer closed, -1 on error or time-out.
    ssize_t ReceiveSome(void* buffer, size_t length);
    // Like ReceiveSome, but the bytes stay queued for the next receive.
    ssize_t PeekSome(void* buffer, size_t length);

    // Bytes that have arrived and wait to be received; 0 when none or unknown.
    size_t PendingBytes();

    // Time limits for blocking receives and sends; zero means none.
    bool SetReceiveLimit(Milliseconds limit);
    bool SetSendLimit(Milliseconds limit);
    // The limit last set for receives; zero when none was set.
    Milliseconds ReceiveLimit() const { return receiveLimit_; }
    bool SetNonBlocking(bool on);
    // Poll for readiness; false on time-out or error.
    bool WaitWritable(Milliseconds limit);
    bool WaitReadable(Milliseconds limit);
    // SO_ERROR of the socket, or -1 when it cannot be read.
    int PendingError();

    // Ends our sending side (a FIN after the bytes already queued); receiving goes on.
    bool ShutdownSend();
    // Sent bytes the peer has not acknowledged yet; nothing where the system cannot tell.
    std::optional<size_t> UnacknowledgedBytes();

    // Every byte this socket sends from now on is added to `counter` (may be null).
    void CountSentInto(std::atomic<uint64_t>* counter) { sentCounter_ = counter; }

    void Close();
    // Closes with a reset instead of an orderly shutdown (used to play broken peers).
    void Abort();

private:
    SocketHandle fd_ = kInvalidSocket;
    std::atomic<uint64_t>* sentCounter_ = nullptr;
    Milliseconds receiveLimit_{0};
};

} // namespace tarnwell
