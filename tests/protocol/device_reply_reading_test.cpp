// Reading one reply from devices that do not write it as one 128-byte piece.
#include "platform/tcp_socket.h"
#include "protocol/device_reply.h"
#include "support/scripted_peer.h"
#include "support/socket_pair.h"

#include <gtest/gtest.h>
#include <thread>

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

class DeviceReplyReadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ConnectSocketPair(connection, device));
        connection.SetReceiveLimit(5000ms);
    }
    void TearDown() override {
        if (writer.joinable()) writer.join();
    }
    // The device writes `pieces` with `pause` before each but the first, then closes when asked.
    void Play(std::vector<std::string> pieces, std::chrono::milliseconds pause, bool closeAfter = false) {
        writer = std::thread([this, pieces = std::move(pieces), pause, closeAfter] {
            for (size_t i = 0; i < pieces.size(); ++i) {
                if (i > 0) std::this_thread::sleep_for(pause);
                device.SendAll(pieces[i].data(), pieces[i].size());
            }
            if (closeAfter) device.Close();
        });
    }
    std::string Rest() {
        if (writer.joinable()) writer.join();
        connection.SetReceiveLimit(200ms);
        std::string got;
        char buffer[4096];
        for (ssize_t n; (n = connection.ReceiveSome(buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<size_t>(n));
        return got;
    }

    TcpSocket connection, device;
    std::thread writer;
};

} // namespace

TEST_F(DeviceReplyReadingTest, ReplyInPiecesIsJoinedAndWhatFollowsIsLeft) {
    const std::string reply = DeviceReplyBytes(180, 20, 0, "English|SimpChinese|");
    const std::string next = DeviceReplyBytes(186, 1);
    Play({reply.substr(0, 3), reply.substr(3, 40), reply.substr(43) + next}, 40ms);
    DeviceReply got = ReceiveDeviceReply(connection);
    EXPECT_EQ(got.received, 128);
    EXPECT_EQ(got.Kind(), 180);
    EXPECT_EQ(got.Text(), "English|SimpChinese|");
    EXPECT_EQ(Rest(), next);
}

TEST_F(DeviceReplyReadingTest, TerseReplyIsTakenAsItIs) {
    const std::string terse = DeviceReplyBytes(215, 1).substr(0, 9);
    // Once followed by silence, once by the device's close.
    for (bool close : {false, true}) {
        Play({terse}, 0ms, close);
        DeviceReply got = ReceiveDeviceReply(connection);
        EXPECT_EQ(got.received, 9) << close;
        EXPECT_EQ(got.Kind(), 215);
        EXPECT_EQ(got.Flag(), 1);
        if (writer.joinable()) writer.join();
    }
}

TEST_F(DeviceReplyReadingTest, CaptureReplyLeavesThePictureBytes) {
    const std::string picture = "BM" + std::string(300, '\x5a');
    const std::string full = DeviceReplyBytes(218, 1, static_cast<uint32_t>(picture.size()));

    // Terse, in pieces of its own. (Terse and in the same write as the picture
    // cannot be told from a whole reply: a full first receive is the reply.)
    Play({full.substr(0, 4), full.substr(4, 5), picture}, 20ms);
    DeviceReply terse = ReceiveDeviceReply(connection, AfterReply::PictureData);
    EXPECT_EQ(terse.received, 9);
    EXPECT_EQ(terse.Value(), picture.size());
    EXPECT_EQ(Rest(), picture);

    // A whole reply in pieces: its zero fill is the reply's, not the picture's.
    SetUp();
    Play({full.substr(0, 20), full.substr(20) + picture}, 40ms);
    DeviceReply got = ReceiveDeviceReply(connection, AfterReply::PictureData);
    EXPECT_EQ(got.received, 128);
    EXPECT_EQ(Rest(), picture);
}

TEST_F(DeviceReplyReadingTest, TricklingDeviceEndsAtTheReceiveLimit) {
    connection.SetReceiveLimit(300ms);
    std::vector<std::string> bytes(60, std::string(1, '\x10'));
    Play(bytes, 30ms);
    DeviceReply got = ReceiveDeviceReply(connection);
    EXPECT_GT(got.received, 0);
    EXPECT_LT(got.received, 60);
}
