// The simulator's command line: every wrong value is refused with a reason.
#include "sim/devsim_options.h"

#include <gtest/gtest.h>

#include <initializer_list>

using namespace tarnwell::sim;
using namespace std::chrono_literals;

namespace {

std::optional<DevsimOptions> Parse(std::initializer_list<const char*> args, std::string& error) {
    std::vector<const char*> argv{"tarnwell-devsim"};
    argv.insert(argv.end(), args.begin(), args.end());
    return ParseDevsimOptions(static_cast<int>(argv.size()), argv.data(), error);
}

} // namespace

TEST(DevsimOptionsTest, WrongValuesAreRefusedWithTheOptionNamed) {
    const std::vector<std::vector<const char*>> wrong = {
        {"--member-sizes", "abc"}, {"--member-sizes", "10,,20"}, {"--member-sizes", "-1"},
        {"--flash-layout", "not-hex"}, {"--flash-layout", "00000000000000000"},
        {"--fault", "refuse:conn=99999999999"}, {"--fault", "refuse"}, {"--fault", "slow:code=0x100"},
        {"--fault", "silent:answer=3"}, {"--fault", "close:after=12x"}, {"--fault", "reset:conn=0"},
        {"--count", "0"}, {"--count", "1001"}, {"--count", " 5"}, {"--web-port", "65536"}, {"--web-port", "+80"},
        {"--listen", "10.0.0.1"}, {"--link-rate", "fast"}, {"--link-rate", "0Mbit"}, {"--link-rate", "200Gbit"},
        {"--flash-write", "soon"}, {"--flash-write", "-5ms"}, {"--idle-timeout", "2d"}, {"--capture-flag", "256"},
        {"--reply-pieces", "0"}, {"--log-format", "xml"}, {"--web-reply", "99"}, {"--web-reply", "200:ok=maybe"},
        {"--keep-bytes", "1e6"}, {"--count"}, {"--bogus"}};
    for (const auto& args : wrong) {
        std::vector<const char*> argv{"tarnwell-devsim"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string error;
        EXPECT_FALSE(ParseDevsimOptions(static_cast<int>(argv.size()), argv.data(), error)) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_NE(error.find(args[0]), std::string::npos) << error;
    }
}

TEST(DevsimOptionsTest, ValuesReachTheProfile) {
    std::string error;
    auto options = Parse({"--link-rate", "100Mbit", "--flash-write", "200ms", "--idle-timeout", "5", "--member-sizes",
                          "10,0x20", "--short-replies", "--reply-pieces", "3", "--reply-burst", "--capture-flag", "0",
                          "--capture-coalesced", "--log-format", "json", "--keep-bytes", "16", "--fault",
                          "refuse-step:conn=4:code=0xC7:answer=2", "--web-reply", "404:ok=header:segments=3"},
                         error);
    ASSERT_TRUE(options) << error;
    const DeviceProfile& p = options->profile;
    EXPECT_EQ(p.linkRateBitsPerSecond, 100'000'000u);
    EXPECT_EQ(p.flashWritePerMiB, 200ms);
    EXPECT_EQ(p.idleTimeout, 5000ms);
    EXPECT_EQ(p.firmwareMemberSizes, (std::vector<size_t>{10, 32}));
    EXPECT_TRUE(p.replies.shortReplies && p.replies.twoInOneBurst && p.replies.captureCoalesced);
    EXPECT_EQ(p.replies.pieces, 3u);
    EXPECT_EQ(p.captureReplyFlag, 0);
    EXPECT_EQ(p.records.leadingBytes, 16u);
    EXPECT_EQ(options->logFormat, LogFormat::Json);
    ASSERT_EQ(options->faults.size(), 1u);
    EXPECT_EQ(options->faults[0].connection, 4);
    EXPECT_EQ(options->faults[0].code, 0xC7);
    EXPECT_EQ(options->faults[0].answer, 2);
    EXPECT_EQ(options->webReply.segments, 3u);
    EXPECT_EQ(options->webReply.reply.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u);
    EXPECT_NE(options->webReply.reply.find("X-Result: ok"), std::string::npos);
}

TEST(DevsimOptionsTest, DefaultsSuitAnOrdinaryUserAndALongShift) {
    std::string error;
    auto options = Parse({}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->webPort, 8080);
    EXPECT_EQ(options->profile.idleTimeout, 60s);
    EXPECT_EQ(options->profile.records.leadingBytes, kDefaultKeptBytes);
    EXPECT_EQ(options->profile.records.records, 0u);
    EXPECT_EQ(ParseLinkRate("512kbit"), 512'000u);
    EXPECT_EQ(ParseLinkRate("1Gbit"), 1'000'000'000u);
    EXPECT_EQ(ParseDuration("2s", 1ms), 2000ms);
}
