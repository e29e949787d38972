// The standalone command hands the writer's status to the shell.
#include "support/built_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarnwell::test {
namespace {

const std::string kCommand = BuiltProgramPath("tarnwell-mkcramfs");

int RunCommand(const std::vector<std::string>& arguments) { return RunProgram(kCommand, arguments).exitStatus; }

TEST(MkcramfsCommand, ExitStatusFollowsTheOutcome) {
    if (!std::filesystem::exists(kCommand)) GTEST_SKIP() << "tarnwell-mkcramfs not built";
    TempDir dir;
    WriteFileBytes(dir.File("a.bmp"), std::string(5000, 'a'));
    EXPECT_EQ(RunCommand({dir.File("out.img"), dir.File("a.bmp")}), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.File("out.img")), 4096u);
    EXPECT_EQ(RunCommand({dir.File("out.img")}), 0);  // usage
    EXPECT_EQ(RunCommand({dir.File("out.img"), dir.File("missing.bmp")}), 1);
}

TEST(MkcramfsCommand, AnImageThatCannotBeWrittenEndsWithStatusEight) {
    if (!std::filesystem::exists(kCommand)) GTEST_SKIP() << "tarnwell-mkcramfs not built";
    // A device that takes no byte; Windows has none.
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    WriteFileBytes(dir.File("a.bmp"), std::string(5000, 'a'));
    EXPECT_EQ(RunCommand({"/dev/full", dir.File("a.bmp")}), 8);
}

TEST(MkcramfsCommand, HelpGoesToStandardOutputButOnlyAsTheSoleArgument) {
    if (!std::filesystem::exists(kCommand)) GTEST_SKIP() << "tarnwell-mkcramfs not built";
    const ProgramRun help = RunProgram(kCommand, {"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.output.rfind("Usage: tarnwell-mkcramfs outfile", 0), 0u);
    // With inputs, "--help" is an output path like any other.
    TempDir dir;
    WriteFileBytes(dir.File("a.bmp"), "picture");
    EXPECT_EQ(RunProgram(kCommand, {"--help", "a.bmp"}, dir.Path().string()).exitStatus, 0);
    EXPECT_EQ(std::filesystem::file_size(dir.File("--help")), 4096u);
}

} // namespace
} // namespace tarnwell::test
