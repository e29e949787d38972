// Every program answers --help on standard output with status 0, and the
// console does so before Qt starts: without a display and without a Qt
// platform chosen (its manual page and the package check rely on this).
#include "support/built_program.h"
#include "support/environment_override.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarnwell::test {
namespace {

TEST(ProgramHelp, EveryProgramPrintsItsUsageWithoutADisplay) {
    const EnvironmentOverride noDisplay("DISPLAY", std::nullopt);
    const EnvironmentOverride noWayland("WAYLAND_DISPLAY", std::nullopt);
    const EnvironmentOverride noQtPlatform("QT_QPA_PLATFORM", std::nullopt);
    for (const std::string name : {"tarnwell", "tarnwell-devsim", "tarnwell-mkcramfs"}) {
        const std::string program = BuiltProgramPath(name);
        // test_app depends on each program this build makes; one that is missing is not made here.
        if (!std::filesystem::exists(program)) continue;
        const ProgramRun run = RunProgram(program, {"--help"});
        EXPECT_EQ(run.exitStatus, 0) << name;
        EXPECT_EQ(run.output.rfind("Usage: " + name + " ", 0), 0u) << name << ": " << run.output;
    }
}

} // namespace
} // namespace tarnwell::test
