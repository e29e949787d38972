#pragma once
// Whether a stream is an interactive terminal, and how wide it is.
#include <cstdio>

namespace tarnwell {

bool IsTerminal(std::FILE* stream);
// Columns of the terminal behind `stream`; 80 when unknown.
int TerminalColumns(std::FILE* stream);

} // namespace tarnwell
