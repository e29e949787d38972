#include "line/result_stream.h"

#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define fdopen _fdopen
#else
#include <unistd.h>
#endif

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
