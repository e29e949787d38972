#pragma once
// A misbehaving device in a few lines: a loopback TCP server whose every
// accepted connection plays a script of reads, writes and pauses. Faults that
// the simulator has no switch for (a device that stops reading mid-member,
// a reply that is garbage or too long, an HTTP reply in pieces) are scripts.
#include "platform/tcp_listener.h"
#include "platform/tcp_socket.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnwell::test {

struct PeerStep {
    enum Kind { Read, Write, Pause, Close };
    Kind kind;
    size_t count = 0;     // Read: bytes to take (fewer when the client closes first)
    std::string bytes;    // Write
    std::chrono::milliseconds pause{0};
};

using PeerScript = std::vector<PeerStep>;

inline PeerStep ReadBytes(size_t count) { return {PeerStep::Read, count, {}, {}}; }
inline PeerStep WriteBytes(std::string bytes) { return {PeerStep::Write, 0, std::move(bytes), {}}; }
inline PeerStep PauseFor(std::chrono::milliseconds pause) { return {PeerStep::Pause, 0, {}, pause}; }
inline PeerStep CloseNow() { return {PeerStep::Close, 0, {}, {}}; }

// A 128-byte device reply of `kind` with the flag byte and the little-endian value.
std::string DeviceReplyBytes(uint8_t kind, uint8_t flag, uint32_t value = 0, const std::string& text = {});

class ScriptedPeer {
public:
    // Connection n (from 0) plays scripts[n]; connections past the list play
    // `rest`, which by default reads one command block and closes.
    // `receiveBuffer` > 0 makes the peer's receive window that small.
    ScriptedPeer(std::vector<PeerScript> scripts, uint16_t port = 10002, int receiveBuffer = 0);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    const std::string& Address() const { return address_; }
    uint16_t Port() const { return port_; }
    PeerScript rest{ReadBytes(32)};

    // Bytes each connection received, in connection order; waits for
    // connections still in the backlog to be taken and every script to end.
    std::vector<std::string> Received();
    int Connections();

private:
    void AcceptLoop();
    void Play(TcpSocket connection, size_t index);

    std::string address_;
    uint16_t port_;
    TcpListener listener_;
    std::vector<PeerScript> scripts_;
    std::thread acceptor_;
    std::vector<std::thread> players_;
    std::mutex mutex_;
    std::vector<std::string> received_;
    bool stopping_ = false;
};

} // namespace tarnwell::test
