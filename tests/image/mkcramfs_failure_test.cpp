#include "image_test_support.h"

#include <gtest/gtest.h>

namespace tarnwell::test {
namespace {

namespace fs = std::filesystem;

TEST(MkcramfsFailure, WithoutInputsPrintsUsageAndWritesNothing) {
    TempDir dir;
    const WriterRun run = RunWriter(dir.File("out.img"), {});
    EXPECT_EQ(run.result.exitStatus, 0);
    EXPECT_FALSE(run.result.imageWritten);
    EXPECT_EQ(run.err, "usage: mkcramfs  outfile infile1 infile2 ...\n");
    EXPECT_FALSE(fs::exists(dir.File("out.img")));
}

TEST(MkcramfsFailure, UnopenableInputLeavesAnEmptyOutput) {
    TempDir dir;
    WriteFileBytes(dir.File("good.bmp"), "picture");
    const std::string missing = dir.File("missing.bmp");
    const WriterRun run = RunWriter(dir.File("out.img"), {dir.File("good.bmp"), missing});
    EXPECT_EQ(run.result.exitStatus, 1);
    EXPECT_FALSE(run.result.imageWritten);
    EXPECT_EQ(run.err, "fopen " + missing + " fail\n");
    ASSERT_TRUE(fs::exists(dir.File("out.img")));
    EXPECT_EQ(fs::file_size(dir.File("out.img")), 0u);
}

TEST(MkcramfsFailure, UnopenableOutput) {
    TempDir dir;
    WriteFileBytes(dir.File("good.bmp"), "picture");
    const WriterRun run = RunWriter(dir.File("no/such/folder/out.img"), {dir.File("good.bmp")});
    EXPECT_EQ(run.result.exitStatus, 1);
    EXPECT_FALSE(run.result.imageWritten);
    EXPECT_EQ(run.err.rfind("fopen: ", 0), 0u) << run.err;
}

TEST(MkcramfsFailure, FileShorterThanItsSizeIsAReadFailure) {
    // sysfs attributes claim 4096 bytes and deliver a few: a file that shrank.
    const std::string shrinking = "/sys/class/net/lo/mtu";
    if (!fs::exists(shrinking)) GTEST_SKIP() << "no sysfs";
    TempDir dir;
    const WriterRun run = RunWriter(dir.File("out.img"), {shrinking});
    EXPECT_EQ(run.result.exitStatus, 1);
    EXPECT_FALSE(run.result.imageWritten);
    EXPECT_EQ(run.err.rfind("read", 0), 0u) << run.err;
    EXPECT_EQ(fs::file_size(dir.File("out.img")), 0u);
}

TEST(MkcramfsFailure, WriteFailureIsNeverSuccess) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    WriteFileBytes(dir.File("good.bmp"), "picture");
    const WriterRun run = RunWriter("/dev/full", {dir.File("good.bmp")});
    EXPECT_EQ(run.result.exitStatus, 8);
    EXPECT_FALSE(run.result.imageWritten);
    EXPECT_EQ(run.err.rfind("ROM image", 0), 0u) << run.err;
}

TEST(MkcramfsFailure, DirectoryAsInputIsAReadFailure) {
    TempDir dir;
    fs::create_directory(dir.Path() / "bmp_logo.bmp");
    const WriterRun run = RunWriter(dir.File("out.img"), {dir.File("bmp_logo.bmp")});
    EXPECT_NE(run.result.exitStatus, 0);
    EXPECT_FALSE(run.result.imageWritten);
}

} // namespace
} // namespace tarnwell::test
