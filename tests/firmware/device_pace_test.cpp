// Upgrades against devices that take as long as real units: a paced link and
// a flash that is written before member data is answered.
#include "upgrade_fixture.h"

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

using Strings = std::vector<std::string>;

class DevicePaceTest : public UpgradeFixture {
protected:
    std::vector<PackageFile> OneMebibyteMember() {
        return {{"Install.xml", "<install><flash part=\"romfs\"/></install>\n"},
                {"romfs-x.cramfs.img", PatternBytes(1024 * 1024, 3)}};
    }
    sim::SimulatedDevice& UseDevice(const sim::FirmwareExpectation& expected, uint64_t rate,
                                    std::chrono::milliseconds flashPerMiB, sim::ReplyShape replies = {}) {
        sim::DeviceProfile profile;
        sim::ConfigureForFirmware(profile, expected);
        profile.linkRateBitsPerSecond = rate;
        profile.flashWritePerMiB = flashPerMiB;
        profile.replies = replies;
        device = StartDevice(profile);
        ui.SetAddress(device->Address());
        return *device;
    }
};

} // namespace

TEST_F(DevicePaceTest, SlowLinkAndFlashStillDeliverEveryByte) {
    auto files = OneMebibyteMember();
    auto expected = Expect(files);
    // 1 MiB at 20 Mbit/s is about 0.42 s, then 0.6 s of flash writing.
    UseDevice(expected, 20'000'000, 600ms);
    auto start = Clock::now();
    RunUpgrade(PackWithTar(files, "ustar"));
    auto took = Clock::now() - start;
    EXPECT_EQ(ui.Messages(), Strings{});
    EXPECT_EQ(sim::DescribeFirmwareMismatch(*device, expected), "");
    EXPECT_EQ(device->RebootCount(), 1);
    EXPECT_GE(took, 1000ms); // the device really took its time
}

TEST_F(DevicePaceTest, FlashSlowerThanTheAnswerLimitIsAFailure) {
    auto files = OneMebibyteMember();
    auto expected = Expect(files);
    console.channelLimits.worker = 500ms;
    UseDevice(expected, 0, 2000ms);
    RunUpgrade(PackWithTar(files, "ustar"));
    auto messages = ui.Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "Can't accpet data after send data");
    EXPECT_EQ(device->RebootCount(), 0);
    auto log = ui.Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "status Update Bios Complete"), 0);
}

TEST_F(DevicePaceTest, TerseAndSplitRepliesStillUpgrade) {
    auto files = OneMebibyteMember();
    auto expected = Expect(files);
    sim::ReplyShape terse;
    terse.shortReplies = true;
    UseDevice(expected, 0, 0ms, terse);
    RunUpgrade(PackWithTar(files, "ustar"));
    EXPECT_EQ(ui.Messages(), Strings{});
    EXPECT_EQ(sim::DescribeFirmwareMismatch(*device, expected), "");
    EXPECT_EQ(device->RebootCount(), 1);

    sim::ReplyShape split;
    split.pieces = 2;
    UseDevice(expected, 0, 0ms, split);
    ui.ClearRecords();
    RunUpgrade(PackWithTar(files, "ustar"));
    EXPECT_EQ(ui.Messages(), Strings{});
    EXPECT_EQ(sim::DescribeFirmwareMismatch(*device, expected), "");
    EXPECT_EQ(device->RebootCount(), 1);

    sim::ReplyShape burst;
    burst.twoInOneBurst = true;
    UseDevice(expected, 0, 0ms, burst);
    ui.ClearRecords();
    RunUpgrade(PackWithTar(files, "ustar"));
    EXPECT_EQ(ui.Messages(), Strings{});
    EXPECT_EQ(device->RebootCount(), 1);
}
