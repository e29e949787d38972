// The simulator as a long-running product: bounded records, reaped sessions,
// idle connections dropped, a refused connection that is only that one.
#include "platform/tcp_socket.h"
#include "protocol/command_block.h"
#include "protocol/device_reply.h"
#include "protocol/sha256.h"
#include "support/loopback_device.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <dirent.h>
#include <fstream>
#include <thread>

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

int ThreadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
}

TcpSocket Connect(const sim::SimulatedDevice& device) {
    TcpSocket socket = TcpSocket::Create();
    EXPECT_TRUE(socket.Connect(device.Address(), DeviceCommandPort, 2000ms));
    return socket;
}

// A SetMac exchange with a payload of `length` bytes (33 make it complete).
void SendMac(const sim::SimulatedDevice& device, const std::vector<uint8_t>& payload) {
    TcpSocket socket = Connect(device);
    CommandBlock block(CmdSetMac);
    ASSERT_TRUE(socket.SendAll(block.Bytes().data(), block.Bytes().size()));
    ASSERT_TRUE(socket.SendAll(payload.data(), payload.size()));
}

} // namespace

TEST(SimulatedDeviceTest, RecordsKeepLeadingBytesAndHashTheWhole) {
    sim::DeviceProfile profile;
    profile.records = {8, 2};
    auto device = StartDevice(profile);
    std::vector<uint8_t> mac(33);
    for (size_t i = 0; i < mac.size(); ++i) mac[i] = static_cast<uint8_t>('A' + i);
    for (int i = 0; i < 3; ++i) {
        SendMac(*device, mac);
        ASSERT_TRUE(device->WaitUntilIdle());
    }

    auto exchanges = device->Exchanges();
    ASSERT_EQ(exchanges.size(), 2u); // the most recent two
    EXPECT_EQ(exchanges[0].connection, 2);
    EXPECT_EQ(exchanges[1].payload, std::vector<uint8_t>(mac.begin(), mac.begin() + 8));
    EXPECT_EQ(exchanges[1].payloadLength, 33u);
    EXPECT_EQ(exchanges[1].payloadSha256, Sha256Of(mac.data(), mac.size()));

    auto connections = device->Connections();
    ASSERT_EQ(connections.size(), 2u);
    EXPECT_EQ(connections[1].connection, 3);
    CommandBlock block(CmdSetMac);
    EXPECT_EQ(connections[1].length, block.Bytes().size() + 33u);
    EXPECT_EQ(connections[1].leading.size(), 8u);
    std::vector<uint8_t> whole(block.Bytes().begin(), block.Bytes().end());
    whole.insert(whole.end(), mac.begin(), mac.end());
    EXPECT_EQ(connections[1].sha256, Sha256Of(whole.data(), whole.size()));

    // The JSON log line carries the same figures.
    auto line = nlohmann::json::parse(sim::SimulatedDevice::JsonLogLine(device->Address(), exchanges[1]));
    EXPECT_EQ(line["address"], device->Address());
    EXPECT_EQ(line["connection"], 3);
    EXPECT_EQ(line["command"], "SetMac");
    EXPECT_EQ(line["code"], CmdSetMac);
    EXPECT_EQ(line["payloadLength"], 33);
    EXPECT_EQ(line["payloadSha256"], Sha256Hex(Sha256Of(mac.data(), mac.size())));
    EXPECT_EQ(line["outcome"], "complete");
}

TEST(SimulatedDeviceTest, EndedSessionsLeaveNoThreadBehind) {
    auto device = StartDevice();
    const int idle = ThreadCount();
    for (int i = 0; i < 300; ++i) SendMac(*device, std::vector<uint8_t>(i % 2 ? 33 : 5, 1));
    ASSERT_TRUE(device->WaitUntilIdle());
    // The accept loop joins ended sessions within a poll round.
    for (int i = 0; i < 100 && ThreadCount() > idle; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ThreadCount(), idle);
    EXPECT_EQ(device->ConnectionCount(), 300);
    auto exchanges = device->Exchanges();
    ASSERT_EQ(exchanges.size(), 300u);
    EXPECT_EQ(exchanges[0].outcome, "incomplete");
    EXPECT_EQ(exchanges[1].outcome, "complete");
}

TEST(SimulatedDeviceTest, SilentConnectionIsDroppedAfterTheIdleLimit) {
    sim::DeviceProfile profile;
    profile.idleTimeout = 300ms;
    auto device = StartDevice(profile);
    TcpSocket socket = Connect(*device);
    ASSERT_TRUE(socket.SendAll("\xD0", 1)); // part of a command block, then nothing
    socket.SetReceiveLimit(5000ms);
    char byte;
    EXPECT_EQ(socket.ReceiveSome(&byte, 1), 0); // the device closed
    ASSERT_TRUE(device->WaitUntilIdle());
    ASSERT_EQ(device->Exchanges().size(), 1u);
    EXPECT_FALSE(device->Exchanges()[0].complete);
}

TEST(SimulatedDeviceTest, RefusalAppliesToThatConnectionOnly) {
    auto device = StartDevice();
    device->AddFault({sim::FaultKind::RefuseConnection, 3, -1, 0, 200ms});
    std::vector<uint8_t> mac(33, 7);
    SendMac(*device, mac);
    SendMac(*device, mac);
    ASSERT_TRUE(device->WaitUntilIdle());
    TcpSocket refused = TcpSocket::Create();
    EXPECT_FALSE(refused.Connect(device->Address(), DeviceCommandPort, 1000ms));
    // Later connections are served again once the window has passed.
    std::this_thread::sleep_for(600ms);
    SendMac(*device, mac);
    SendMac(*device, mac);
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ConnectionCount(), 5);
    EXPECT_EQ(device->ExchangesWithCode(CmdSetMac).size(), 4u);
}

// A device that knows its members' sizes answers each one as soon as its bytes
// are in, on every upgrade, not only the first: a later upgrade that waited
// for the tool to fall quiet instead would take the next command as member data.
TEST(SimulatedDeviceTest, EachUpgradeTakesItsMembersFromTheFirstAgain) {
    sim::DeviceProfile profile;
    profile.firmwareMemberSizes = {16};
    auto device = StartDevice(profile);
    const std::vector<uint8_t> member(16, 0x5A), mac(33, 7), version(32, 1);
    auto await_reply = [](TcpSocket& socket) {
        uint8_t reply[kDeviceReplyMax];
        size_t got = 0;
        while (got < sizeof reply) {
            ssize_t n = socket.ReceiveSome(reply + got, sizeof reply - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        return got;
    };
    for (int upgrade = 0; upgrade < 2; ++upgrade) {
        TcpSocket socket = Connect(*device);
        socket.SetReceiveLimit(5000ms);
        CommandBlock handshake(CmdUpgradeHandshake), ready(CmdReadyUpgrade), setMac(CmdSetMac);
        ASSERT_TRUE(socket.SendAll(handshake.Bytes().data(), handshake.Bytes().size()));
        ASSERT_TRUE(socket.SendAll(version.data(), version.size()));
        ASSERT_EQ(await_reply(socket), kDeviceReplyMax);
        ASSERT_TRUE(socket.SendAll(ready.Bytes().data(), ready.Bytes().size()));
        ASSERT_EQ(await_reply(socket), kDeviceReplyMax);
        // The member and, right behind it, the next command.
        std::vector<uint8_t> burst(member);
        burst.insert(burst.end(), setMac.Bytes().begin(), setMac.Bytes().end());
        burst.insert(burst.end(), mac.begin(), mac.end());
        ASSERT_TRUE(socket.SendAll(burst.data(), burst.size()));
        ASSERT_EQ(await_reply(socket), kDeviceReplyMax) << "upgrade " << upgrade;
        socket.Close();
        ASSERT_TRUE(device->WaitUntilIdle());
    }
    auto members = device->ExchangesWithCode(CmdReadyUpgrade);
    ASSERT_EQ(members.size(), 2u);
    for (const auto& exchange : members) EXPECT_EQ(exchange.payloadLength, member.size());
    EXPECT_EQ(device->ExchangesWithCode(CmdSetMac).size(), 2u);
}
