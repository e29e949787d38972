// Untrusted packages: whatever is wrong with the file, the upgrade ends with
// a message, sends nothing it cannot stand behind and never reboots.
#include "upgrade_fixture.h"

#include "protocol/command_block.h"

#include <filesystem>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {


const std::string kShortInstallXml = "<install/>\n";

std::string Archive(const std::vector<UstarMember>& members) { return MakeUstarArchive(members); }

struct BadPackage {
    const char* label;
    std::function<std::string()> bytes;
};

class BadPackageTest : public UpgradeFixture, public ::testing::WithParamInterface<BadPackage> {};

TEST_P(BadPackageTest, IsRefusedBeforeTheDeviceHearsAnything) {
    UseDevice({});
    const std::string path = dir.File("bad.tar");
    WriteFileBytes(path, GetParam().bytes());
    ::testing::internal::CaptureStdout();
    RunUpgrade(path);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ui.Log(), Strings{"message File format error!"});
    EXPECT_EQ(device->ConnectionCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Untrusted, BadPackageTest,
    ::testing::Values(
        BadPackage{"Empty", [] { return std::string(); }},
        BadPackage{"TruncatedHeader", [] { return Archive({{"Install.xml", kShortInstallXml}}).substr(0, 300); }},
        BadPackage{"SizeBeyondTheFile",
                   [] { return Archive({{"Install.xml", kShortInstallXml}, {"romfs-x.cramfs.img", "x", "00000777777"}}); }},
        BadPackage{"NonOctalSize",
                   [] { return Archive({{"Install.xml", kShortInstallXml}, {"romfs-x.cramfs.img", "x", "0000000001x"}}); }},
        BadPackage{"HugeMemberCount",
                   [] {
                       std::vector<UstarMember> members{{"Install.xml", kShortInstallXml}};
                       for (int i = 0; i < 40; ++i) members.emplace_back("part" + std::to_string(i), "data");
                       return Archive(members);
                   }},
        BadPackage{"WrongFirstMember", [] { return Archive({{"install.xml", kShortInstallXml}}); }},
        BadPackage{"NotTar", [] { return std::string(4096, 'A'); }}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(UpgradeFixture, MissingPackageIsAFormatError) {
    ::testing::internal::CaptureStdout();
    RunUpgrade(dir.File("nowhere.tar"));
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ui.Log(), Strings{"message File format error!"});
}

// The package changes after the check, just before the second member is read.
struct LateChange {
    const char* label;
    std::function<void(const std::string& path)> change;
};

class LateChangeTest : public UpgradeFixture, public ::testing::WithParamInterface<LateChange> {};

TEST_P(LateChangeTest, StopsWithoutSendingTheMember) {
    std::vector<PackageFile> files{{"Install.xml", kShortInstallXml}, {"romfs-x.cramfs.img", PatternBytes(50000, 3)}};
    UseDevice(Expect(files));
    const std::string path = PackWithTar(files, "ustar");
    ui.onStatus = [&](const std::string& status) {
        if (status == "Update 1-10...") GetParam().change(path);
    };
    RunUpgrade(path);

    EXPECT_EQ(ui.Messages(), Strings{"The update file can no longer be read; it may have changed!"});
    EXPECT_TRUE(device->ExchangesWithCode(CmdReadyUpgrade).empty());
    EXPECT_EQ(device->ExchangesWithCode(CmdUpgradeFirstFile).size(), 1u);
    EXPECT_EQ(device->RebootCount(), 0);
    auto log = ui.Log();
    EXPECT_EQ(log[log.size() - 2], "enable 1019");
}

INSTANTIATE_TEST_SUITE_P(
    Package, LateChangeTest,
    ::testing::Values(LateChange{"Shrunk", [](const std::string& path) { std::filesystem::resize_file(path, 1500); }},
                      LateChange{"Removed", [](const std::string& path) { std::filesystem::remove(path); }},
                      LateChange{"EmptiedToZero",
                                 [](const std::string& path) { std::filesystem::resize_file(path, 0); }}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
