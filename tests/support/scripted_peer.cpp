#include "support/scripted_peer.h"

#include "support/loopback_device.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwell::test {

std::string DeviceReplyBytes(uint8_t kind, uint8_t flag, uint32_t value, const std::string& text) {
    std::string reply(128, '\0');
    reply[0] = static_cast<char>(kind);
    for (int i = 0; i < 4; ++i) reply[4 + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    reply[8] = static_cast<char>(flag);
    reply.replace(32, std::min(text.size(), size_t{95}), text.substr(0, 95));
    return reply;
}

ScriptedPeer::ScriptedPeer(std::vector<PeerScript> scripts, uint16_t port, int receiveBuffer)
    : address_(NextLoopbackAddress()), port_(port), scripts_(std::move(scripts)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // Set before listen, so accepted connections advertise the small window from the start.
    if (receiveBuffer > 0) ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port_);
    ::inet_pton(AF_INET, address_.c_str(), &where.sin_addr);
    bool listening = ::bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 &&
                     ::listen(listener_, 8) == 0;
    EXPECT_TRUE(listening) << "cannot listen on " << address_ << ":" << port_;
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedPeer::~ScriptedPeer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    acceptor_.join();
    for (auto& player : players_) player.join();
    ::close(listener_);
}

void ScriptedPeer::AcceptLoop() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        pollfd ready{listener_, POLLIN, 0};
        if (::poll(&ready, 1, 20) <= 0) continue;
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        size_t index = received_.size();
        received_.emplace_back();
        players_.emplace_back([this, fd, index] { Play(fd, index); });
    }
}

void ScriptedPeer::Play(int fd, size_t index) {
    const PeerScript& script = index < scripts_.size() ? scripts_[index] : rest;
    std::string got;
    for (const PeerStep& step : script) {
        if (step.kind == PeerStep::Read) {
            size_t wanted = got.size() + step.count;
            bool closed = false;
            while (got.size() < wanted) {
                pollfd ready{fd, POLLIN, 0};
                // Never longer than a test: a silent client ends the step.
                if (::poll(&ready, 1, 10000) <= 0) break;
                char buffer[65536];
                ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, wanted - got.size()), 0);
                if (n <= 0) {
                    closed = true;
                    break;
                }
                got.append(buffer, static_cast<size_t>(n));
            }
            if (closed) break;
        } else if (step.kind == PeerStep::Write) {
            if (::send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL) < 0) break;
        } else if (step.kind == PeerStep::Pause) {
            std::this_thread::sleep_for(step.pause);
        } else {
            break;
        }
    }
    ::close(fd);
    std::lock_guard lock(mutex_);
    received_[index] = std::move(got);
}

std::vector<std::string> ScriptedPeer::Received() {
    // A connection the client has made may still wait in the backlog: let it be accepted.
    for (int quiet = 0, round = 0; quiet < 3 && round < 200; ++round) {
        pollfd pending{listener_, POLLIN, 0};
        quiet = ::poll(&pending, 1, 0) == 0 ? quiet + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    std::vector<std::thread> players;
    {
        std::lock_guard lock(mutex_);
        players.swap(players_);
    }
    for (auto& player : players) player.join();
    std::lock_guard lock(mutex_);
    return received_;
}

int ScriptedPeer::Connections() { return static_cast<int>(Received().size()); }

} // namespace tarnwell::test
