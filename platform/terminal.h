#pragma once
// Whether a stream is an interactive terminal, and how wide and high it is.
#include <cstdio>

namespace tarnwell {

bool IsTerminal(std::FILE* stream);
// True when `stream` is a terminal that moves its cursor on ANSI escapes,
// switching them on where the platform needs it (a Windows console); an old
// console that cannot counts as no terminal.
bool PrepareCursorTerminal(std::FILE* stream);
// Columns of the terminal behind `stream`; 80 when unknown.
int TerminalColumns(std::FILE* stream);
// Rows of the terminal behind `stream`; 24 when unknown.
int TerminalRows(std::FILE* stream);

} // namespace tarnwell
