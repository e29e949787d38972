#include "support/built_program.h"

namespace tarnwell::test {

std::string BuiltProgramPath(const std::string& name) {
    return std::string(TARNWELL_BINARY_DIR) + "/bin/" + name + TARNWELL_PROGRAM_SUFFIX;
}

} // namespace tarnwell::test
