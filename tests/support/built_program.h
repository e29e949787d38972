#pragma once
// Runs the programs this build makes (tarnwell-mkcramfs, tarnwell-devsim, ...)
// as separate processes, without a shell in between.
#include <string>
#include <vector>

namespace tarnwell::test {

// Where the build puts program `name`, with the platform's suffix (.exe).
std::string BuiltProgramPath(const std::string& name);

struct ProgramRun {
    int exitStatus = -1;  // -1 when it could not start or did not end normally
    std::string output;   // standard output; standard error is dropped
};

// Runs `program` with `arguments` and waits for it; in `folder` when given.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& folder = {});

} // namespace tarnwell::test
