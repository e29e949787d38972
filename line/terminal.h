#pragma once
// Whether a stream is an interactive terminal, and how wide it is. The one
// place that knows the platform's calls for it.
#include <cstdio>

namespace tarnwell::line {

bool IsTerminal(std::FILE* stream);
// Columns of the terminal behind `stream`; 80 when unknown.
int TerminalColumns(std::FILE* stream);

} // namespace tarnwell::line
