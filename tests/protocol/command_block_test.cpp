#include "protocol/command_block.h"
#include "protocol/device_reply.h"

#include <gtest/gtest.h>

using namespace tarnwell;

namespace {

std::vector<uint8_t> Head(const CommandBytes& bytes, size_t count) { return {bytes.begin(), bytes.begin() + count}; }

} // namespace

TEST(CommandBlock, ParametersKeepTheirOwnByteOrder) {
    auto handshake = CommandBlock(CmdUpgradeHandshake).ParameterBigEndian(8).Bytes();
    EXPECT_EQ(Head(handshake, 9), (std::vector<uint8_t>{0xD7, 0, 0, 0, 0, 0, 0, 8, 0}));
    auto setTime = CommandBlock(CmdSetTime).ParameterLittleEndian(32).Bytes();
    EXPECT_EQ(Head(setTime, 8), (std::vector<uint8_t>{0xD3, 0, 0, 0, 0x20, 0, 0, 0}));
    auto query = CommandBlock(CmdQuery).SubCode(QueryLanguageList).Bytes();
    EXPECT_EQ(query[8], 0x14);
    for (size_t i = 9; i < 32; ++i) EXPECT_EQ(setTime[i], 0) << i;
}

TEST(CommandBlock, SharedPayloadBlocks) {
    auto version = MakeVersionBlock();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(version.data())), "1.0.0.0");
    EXPECT_EQ(version[7], 0);
    EXPECT_EQ(version[31], 0);

    auto attributes = MakeFileAttributes(6, 0x20000);
    EXPECT_EQ(std::vector<uint8_t>(attributes.begin(), attributes.end()),
              (std::vector<uint8_t>{0, 0, 0, 6, 0, 2, 0, 0}));

    auto ntsc = MakeValueBlock(1);
    EXPECT_EQ(Head(ntsc, 8), (std::vector<uint8_t>{0, 0, 0, 1, 4, 0, 0, 0}));
    auto none = MakeValueBlock(-1);
    EXPECT_EQ(Head(none, 4), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));

    auto time = MakeTimeBlock({2024, 3, 5, 14, 7, 9});
    EXPECT_EQ(std::vector<uint8_t>(time.begin(), time.end()),
              (std::vector<uint8_t>{0, 0, 0x07, 0xE8, 0, 0, 0, 3, 0, 0, 0, 5, 0, 0, 0, 0,
                                    0, 0, 0, 0x0E, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0, 0}));
}

TEST(DeviceReply, TextNeverRunsPastTheBuffer) {
    std::vector<uint8_t> full(200, 'A');
    DeviceReply reply = MakeDeviceReply(full.data(), full.size());
    EXPECT_EQ(reply.received, 128);
    EXPECT_EQ(reply.Text(), std::string(96, 'A'));
    DeviceReply empty = MakeDeviceReply(nullptr, 0);
    EXPECT_FALSE(empty.Arrived());
    EXPECT_EQ(empty.Text(), "");
}
