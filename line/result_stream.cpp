#include "line/result_stream.h"

#include <unistd.h>

namespace tarnwell::line {

std::FILE* TakeStandardOutputForResults() {
    std::fflush(stdout);
    const int results = ::dup(1);
    if (results < 0) return stdout;
    std::FILE* stream = ::fdopen(results, "w");
    if (stream == nullptr || ::dup2(2, 1) < 0) {
        if (stream != nullptr) std::fclose(stream);
        return stdout;
    }
    return stream;
}

} // namespace tarnwell::line
