// The standalone command hands the writer's status to the shell.
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tarnwell::test {
namespace {

const std::string kCommand = std::string(TARNWELL_BINARY_DIR) + "/bin/tarnwell-mkcramfs";

int RunCommand(const std::string& arguments) {
    const int status = std::system((kCommand + " " + arguments + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MkcramfsCommand, ExitStatusFollowsTheOutcome) {
    if (!std::filesystem::exists(kCommand)) GTEST_SKIP() << "tarnwell-mkcramfs not built";
    TempDir dir;
    WriteFileBytes(dir.File("a.bmp"), std::string(5000, 'a'));
    EXPECT_EQ(RunCommand(dir.File("out.img") + " " + dir.File("a.bmp")), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.File("out.img")), 4096u);
    EXPECT_EQ(RunCommand(dir.File("out.img")), 0);  // usage
    EXPECT_EQ(RunCommand(dir.File("out.img") + " " + dir.File("missing.bmp")), 1);
    EXPECT_EQ(RunCommand("/dev/full " + dir.File("a.bmp")), 8);
}

TEST(MkcramfsCommand, HelpGoesToStandardOutputButOnlyAsTheSoleArgument) {
    if (!std::filesystem::exists(kCommand)) GTEST_SKIP() << "tarnwell-mkcramfs not built";
    TempDir dir;
    const std::string help = dir.File("help.txt");
    const int status = std::system((kCommand + " --help >" + help + " 2>/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileBytes(help).rfind("Usage: tarnwell-mkcramfs outfile", 0), 0u);
    // With inputs, "--help" is an output path like any other.
    WriteFileBytes(dir.File("a.bmp"), "picture");
    EXPECT_EQ(std::system(("cd " + dir.Path().string() + " && " + kCommand + " --help a.bmp >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.File("--help")), 4096u);
}

} // namespace
} // namespace tarnwell::test
