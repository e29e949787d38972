#pragma once
// Standard output carries the runner's results (JSON lines a program reads),
// but the core prints diagnostics there too (the package check, the web
// client). The runner keeps the real standard output for itself and sends
// everything else written to descriptor 1 to standard error.
#include <cstdio>

namespace tarnwell::line {

// The stream for results; standard output itself when it cannot be separated.
std::FILE* TakeStandardOutputForResults();

} // namespace tarnwell::line
