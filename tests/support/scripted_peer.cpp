#include "support/scripted_peer.h"

#include "platform/ipv4_text.h"
#include "platform/socket_wait.h"
#include "support/loopback_device.h"

#include <gtest/gtest.h>

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
    uint32_t where = 0;
    bool listening = ParseDottedIpv4(address_, where) && listener_.Listen(where, port_, receiveBuffer);
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
    listener_.Close();
}

void ScriptedPeer::AcceptLoop() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        if (!WaitForSocket(listener_.Handle(), false, std::chrono::milliseconds(20))) continue;
        TcpSocket connection = listener_.Accept();
        if (!connection.IsValid()) continue;
        std::lock_guard lock(mutex_);
        size_t index = received_.size();
        received_.emplace_back();
        players_.emplace_back([this, socket = std::move(connection), index]() mutable { Play(std::move(socket), index); });
    }
}

void ScriptedPeer::Play(TcpSocket connection, size_t index) {
    const PeerScript& script = index < scripts_.size() ? scripts_[index] : rest;
    std::string got;
    for (const PeerStep& step : script) {
        if (step.kind == PeerStep::Read) {
            size_t wanted = got.size() + step.count;
            bool closed = false;
            while (got.size() < wanted) {
                // Never longer than a test: a silent client ends the step.
                if (!connection.WaitReadable(std::chrono::milliseconds(10000))) break;
                char buffer[65536];
                ssize_t n = connection.ReceiveSome(buffer, std::min(sizeof buffer, wanted - got.size()));
                if (n <= 0) {
                    closed = true;
                    break;
                }
                got.append(buffer, static_cast<size_t>(n));
            }
            if (closed) break;
        } else if (step.kind == PeerStep::Write) {
            if (!connection.SendAll(step.bytes.data(), step.bytes.size())) break;
        } else if (step.kind == PeerStep::Pause) {
            std::this_thread::sleep_for(step.pause);
        } else {
            break;
        }
    }
    connection.Close();
    std::lock_guard lock(mutex_);
    received_[index] = std::move(got);
}

std::vector<std::string> ScriptedPeer::Received() {
    // A connection the client has made may still wait in the backlog: let it be accepted.
    for (int quiet = 0, round = 0; quiet < 3 && round < 200; ++round) {
        quiet = WaitForSocket(listener_.Handle(), false, std::chrono::milliseconds(0)) ? 0 : quiet + 1;
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
