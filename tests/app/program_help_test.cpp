// Every program answers --help on standard output with status 0, and the
// console does so before Qt starts: without a display and without a Qt
// platform chosen (its manual page and the package check rely on this).
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tarnwell::test {
namespace {

TEST(ProgramHelp, EveryProgramPrintsItsUsageWithoutADisplay) {
    TempDir dir;
    for (const std::string name : {"tarnwell", "tarnwell-devsim", "tarnwell-mkcramfs"}) {
        const std::string program = std::string(TARNWELL_BINARY_DIR) + "/bin/" + name;
        // test_app depends on each program this build makes; one that is missing is not made here.
        if (!std::filesystem::exists(program)) continue;
        const std::string out = dir.File(name + ".txt");
        const int status = std::system(
            ("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + program + " --help >" + out + " 2>/dev/null").c_str());
        ASSERT_TRUE(WIFEXITED(status)) << name;
        EXPECT_EQ(WEXITSTATUS(status), 0) << name;
        EXPECT_EQ(ReadFileBytes(out).rfind("Usage: " + name + " ", 0), 0u) << name;
    }
}

} // namespace
} // namespace tarnwell::test
