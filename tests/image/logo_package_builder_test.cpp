#include "image/install_script.h"
#include "image/logo_package_builder.h"
#include "platform/environment.h"
#include "platform/work_folder.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarnwell::test {
namespace {

namespace fs = std::filesystem;

class LogoPackageBuilder : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariable(kWorkFolderBaseVariable, home_.Path().string());
    }

    std::vector<std::string> Pictures(int count) {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(pictures_.File("pic" + std::to_string(i) + ".bmp"));
            WriteFileBytes(paths.back(), std::string(100 + i, static_cast<char>('a' + i)));
        }
        return paths;
    }

    TempDir home_;
    TempDir pictures_;
};

TEST(InstallScript, BothLayoutsAreOneLineOf2001Bytes) {
    for (int flag : {0, 8}) {
        const std::string& script = InstallScriptText(flag);
        EXPECT_EQ(script.size(), 2001u);
        EXPECT_EQ(script.find_first_of("\r\n"), std::string::npos);
        EXPECT_EQ(script.back(), ' ');
        EXPECT_EQ(script.rfind("local flashSectorSize = 0x10000; ", 0), 0u);
        EXPECT_NE(script.find(" \tself.InProgressSize = self.InProgressSize + flashSectorSize; "), std::string::npos);
        EXPECT_NE(script.find("return Installer; "), std::string::npos);
        EXPECT_EQ(script.find('@'), std::string::npos);
    }
    const std::string& a = InstallScriptText(0);
    const std::string& b = InstallScriptText(1);
    EXPECT_NE(a.find(" \t\tarmboot = { baseAddr = 0x80000000  , endAddr = 0x80060000 }, "
                     "\t\tcustom  = { baseAddr = 0x80080000  , endAddr = 0x80480000 }, "),
              std::string::npos);
    EXPECT_NE(a.find("\t\tlogo  = { baseAddr = 0x80CA0000  , endAddr = 0x80CE0000 }, \t} "), std::string::npos);
    EXPECT_NE(b.find("\t\tuserdata= { baseAddr = 0x80780000  , endAddr = 0x807c0000 }, "
                     "\t\tlogo  = { baseAddr = 0x807c0000  , endAddr = 0x80800000 }, \t} "),
              std::string::npos);
    EXPECT_EQ(&InstallScriptText(8), &b);
}

TEST_F(LogoPackageBuilder, WriteInstallScriptFollowsTheFlag) {
    std::string out = "stale";
    ASSERT_EQ(WriteInstallScript(out, 8), 0);
    EXPECT_EQ(out, WorkFilePath("Install.lua"));
    EXPECT_EQ(ReadFileBytes(out), InstallScriptText(8));
    ASSERT_EQ(WriteInstallScript(out, 0), 0);
    EXPECT_EQ(ReadFileBytes(out), InstallScriptText(0));
}

TEST_F(LogoPackageBuilder, AFolderOfItsOwnKeepsAConsolesFilesApart) {
    TempDir unit;
    std::string kind = unit.File("temp_logo.bin");
    BilingualText failure;
    const auto paths = Pictures(1);
    ASSERT_EQ(BuildFlashImage(1, paths.data(), kind, failure, 8, unit.Path().string()), kBuildFlashImageOk);
    EXPECT_TRUE(fs::exists(unit.File("logo.cramfs")));
    EXPECT_FALSE(fs::exists(WorkFilePath("logo.cramfs")));
    std::string out;
    ASSERT_EQ(WriteInstallScript(out, 8, unit.Path().string()), 0);
    EXPECT_EQ(out, unit.File("Install.lua"));
}

TEST_F(LogoPackageBuilder, KindTextChoosesTheImage) {
    EXPECT_EQ(FlashImagePath(WorkFilePath("temp_logo.bin")), WorkFilePath("logo.cramfs"));
    EXPECT_EQ(FlashImagePath("web_and_logo"), WorkFilePath("logo.cramfs"));
    EXPECT_EQ(FlashImagePath("x/web.bin"), WorkFilePath("web.cramfs"));
    EXPECT_EQ(FlashImagePath("my_custom"), WorkFilePath("custom.cramfs"));
    EXPECT_EQ(FlashImagePath("Logo.bin"), "");
}

TEST_F(LogoPackageBuilder, BuildsTheImageFromAtMostTwelvePicturesAndDropsTheScript) {
    const std::vector<std::string> paths = Pictures(13);
    std::string kind = WorkFilePath("temp_logo.bin");
    BilingualText failure;
    ASSERT_EQ(BuildFlashImage(13, paths.data(), kind, failure, 0), kBuildFlashImageOk) << failure.english;
    EXPECT_EQ(kind, WorkFilePath("Install.lua"));
    EXPECT_FALSE(fs::exists(kind));
    const CramfsImage image = ReadImageFile(WorkFilePath("logo.cramfs"));
    ASSERT_EQ(image.entries.size(), 12u);
    // All map to the same name, so argument order holds: the 13th is missing.
    EXPECT_EQ(image.entries.back().contents, std::string(111, 'l'));
}

TEST_F(LogoPackageBuilder, UnknownKindBuildsNothing) {
    const std::vector<std::string> paths = Pictures(1);
    std::string kind = "Logo.bin";
    BilingualText failure;
    EXPECT_EQ(BuildFlashImage(1, paths.data(), kind, failure, 0), kUnknownFileType);
    EXPECT_EQ(kind, "Logo.bin");
    EXPECT_NE(failure.english.find("Logo.bin"), std::string::npos);
    EXPECT_FALSE(failure.chinese.empty());
    EXPECT_FALSE(fs::exists(WorkFilePath("logo.cramfs")));
}

TEST_F(LogoPackageBuilder, WriterFailureNamesTheInputAndLeavesNoImage) {
    std::vector<std::string> paths = Pictures(2);
    std::string kind = "temp_logo.bin";
    BilingualText failure;
    ASSERT_EQ(BuildFlashImage(2, paths.data(), kind, failure, 0), kBuildFlashImageOk);
    ASSERT_TRUE(fs::exists(WorkFilePath("logo.cramfs")));

    paths[1] = pictures_.File("gone.bmp");
    kind = "temp_logo.bin";
    EXPECT_EQ(BuildFlashImage(2, paths.data(), kind, failure, 0), kImageWriterFailed);
    EXPECT_NE(failure.english.find(paths[1]), std::string::npos) << failure.english;
    EXPECT_NE(failure.chinese.find(paths[1]), std::string::npos);
    // The earlier image must not pass for this build's.
    EXPECT_FALSE(fs::exists(WorkFilePath("logo.cramfs")));

    kind = "temp_logo.bin";
    EXPECT_EQ(BuildFlashImage(0, paths.data(), kind, failure, 0), kImageWriterFailed);
    EXPECT_FALSE(fs::exists(WorkFilePath("logo.cramfs")));
}

TEST_F(LogoPackageBuilder, UnwritableScriptKeepsTheImage) {
    fs::create_directory(WorkFilePath("Install.lua"));
    const std::vector<std::string> paths = Pictures(1);
    std::string kind = "temp_logo.bin";
    BilingualText failure;
    EXPECT_EQ(BuildFlashImage(1, paths.data(), kind, failure, 0), kInstallScriptNotCreated);
    EXPECT_EQ(kind, "");
    EXPECT_NE(failure.english.find("Install.lua"), std::string::npos);
    EXPECT_TRUE(fs::exists(WorkFilePath("logo.cramfs")));
}

} // namespace
} // namespace tarnwell::test
