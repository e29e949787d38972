// Reading replies from devices that do not write them as one 128-byte piece:
// a reply is complete once its meaning is in, whatever pauses lie inside it,
// and fill that comes late never passes for the next reply.
#include "platform/tcp_socket.h"
#include "protocol/reply_reader.h"
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
        if (writer.joinable()) writer.join();
        writer = std::thread([this, pieces = std::move(pieces), pause, closeAfter] {
            for (size_t i = 0; i < pieces.size(); ++i) {
                if (i > 0) std::this_thread::sleep_for(pause);
                device.SendAll(pieces[i].data(), pieces[i].size());
            }
            if (closeAfter) device.Close();
        });
    }
    // What follows the replies, as the reader hands it on.
    std::string Rest(ReplyReader& reader) {
        if (writer.joinable()) writer.join();
        connection.SetReceiveLimit(200ms);
        std::string got;
        uint8_t buffer[4096];
        for (ssize_t n; (n = reader.ReceiveFollowing(buffer, sizeof buffer)) > 0;)
            got.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
        return got;
    }
    static Deadline Soon() { return Deadline::After(5000ms); }

    TcpSocket connection, device;
    std::thread writer;
};

} // namespace

TEST_F(DeviceReplyReadingTest, QueryAnswerIsCompleteAtTheEndOfItsTextAndWhatFollowsIsLeft) {
    const std::string reply = DeviceReplyBytes(180, 20, 0, "English|SimpChinese|");
    const std::string next = DeviceReplyBytes(186, 1);
    Play({reply.substr(0, 3), reply.substr(3, 40), reply.substr(43) + next}, 40ms);
    ReplyReader reader(connection);
    ReplyRead got = reader.Next(Soon());
    ASSERT_TRUE(got.Complete());
    EXPECT_EQ(got.reply.Kind(), 180);
    EXPECT_EQ(got.reply.Text(), "English|SimpChinese|");
    ReplyRead second = reader.Next(Soon());
    ASSERT_TRUE(second.Complete());
    EXPECT_EQ(second.reply.Kind(), 186);
    EXPECT_EQ(second.reply.Flag(), 1);
}

TEST_F(DeviceReplyReadingTest, APauseInsideAReplyChangesNothingAndATerseReplyCostsNoWait) {
    const std::string full = DeviceReplyBytes(215, 1);
    const std::string next = DeviceReplyBytes(186, 0);
    // The fill of the first reply comes 400 ms late, right before the next one.
    Play({full.substr(0, 5), full.substr(5, 4), full.substr(9) + next}, 400ms);
    ReplyReader reader(connection);
    const auto start = std::chrono::steady_clock::now();
    ReplyRead first = reader.Next(Soon());
    ASSERT_TRUE(first.Complete());
    EXPECT_EQ(first.reply.Kind(), 215);
    EXPECT_EQ(first.reply.Flag(), 1);
    // Complete at its ninth byte: one pause, not two.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 700ms);
    ReplyRead second = reader.Next(Soon());
    ASSERT_TRUE(second.Complete());
    EXPECT_EQ(second.reply.Kind(), 186) << "late fill taken for a reply";
    EXPECT_EQ(second.reply.Flag(), 0);

    // Terse, followed by silence and then by the device's close.
    for (bool close : {false, true}) {
        SCOPED_TRACE(close);
        Play({full.substr(0, 9)}, 0ms, close);
        ReplyReader terse(connection);
        const auto begun = std::chrono::steady_clock::now();
        ReplyRead got = terse.Next(Soon());
        EXPECT_TRUE(got.Complete());
        EXPECT_EQ(got.reply.received, 9);
        EXPECT_EQ(got.reply.Flag(), 1);
        EXPECT_LT(std::chrono::steady_clock::now() - begun, 150ms);
    }
}

TEST_F(DeviceReplyReadingTest, CaptureReplyLeavesThePictureBytes) {
    const std::string picture = "BM" + std::string(300, '\x5a');
    const std::string full = DeviceReplyBytes(218, 1, static_cast<uint32_t>(picture.size()));
    {
        // Terse, in pieces of its own.
        Play({full.substr(0, 4), full.substr(4, 5), picture}, 20ms);
        ReplyReader reader(connection);
        ReplyRead terse = reader.Next(Soon());
        EXPECT_EQ(terse.reply.received, 9);
        EXPECT_EQ(terse.reply.Value(), picture.size());
        EXPECT_EQ(Rest(reader), picture);
    }
    {
        // A whole reply in pieces: its zero fill is the reply's, not the picture's.
        SetUp();
        Play({full.substr(0, 20), full.substr(20, 50), full.substr(70) + picture}, 40ms);
        ReplyReader reader(connection);
        ReplyRead got = reader.Next(Soon());
        EXPECT_TRUE(got.Complete());
        EXPECT_EQ(got.reply.Value(), picture.size());
        EXPECT_EQ(Rest(reader), picture);
    }
}

TEST_F(DeviceReplyReadingTest, PendingBytesAreDroppedAndOthersBehindAReplyAreNoticed) {
    // A ready reply that carries a second acceptance: the second is no answer to what comes next.
    Play({DeviceReplyBytes(186, 1) + DeviceReplyBytes(186, 1)}, 0ms);
    ReplyReader reader(connection);
    ReplyRead ready = reader.Next(Soon());
    ASSERT_TRUE(ready.Complete());
    if (writer.joinable()) writer.join();
    EXPECT_FALSE(reader.OnlyNoEffectRepliesFollow(Soon()));
    EXPECT_EQ(reader.DiscardPending(), 128u);

    // Replies without effect in the same burst are nothing to worry about.
    Play({DeviceReplyBytes(186, 0) + DeviceReplyBytes(16, 0).substr(0, 9) + DeviceReplyBytes(177, 0)}, 0ms);
    ReplyRead verdict = reader.Next(Soon());
    if (writer.joinable()) writer.join();
    EXPECT_EQ(verdict.reply.Flag(), 0);
    EXPECT_TRUE(reader.OnlyNoEffectRepliesFollow(Soon()));
    EXPECT_EQ(connection.PendingBytes(), 0u);
}

TEST_F(DeviceReplyReadingTest, TricklingOrSilentDeviceEndsAtTheDeadline) {
    std::vector<std::string> bytes(60, std::string(1, '\xb4')); // a query answer whose text never ends
    Play(bytes, 30ms);
    ReplyReader reader(connection);
    const auto start = std::chrono::steady_clock::now();
    ReplyRead got = reader.Next(Deadline::After(300ms));
    EXPECT_EQ(got.end, ReplyEnd::TimedOut);
    EXPECT_GT(got.reply.received, 0);
    EXPECT_LT(got.reply.received, 60);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    if (writer.joinable()) writer.join();

    SetUp();
    Play({"\xd7"}, 0ms, true);
    ReplyReader closing(connection);
    EXPECT_EQ(closing.Next(Soon()).end, ReplyEnd::Closed);
}
