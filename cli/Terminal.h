#pragma once

#include <cstdio>

// Whether the stream is a terminal that a person watches (progress lines are redrawn in place there).
bool IsTerminal(std::FILE* stream);

// The terminal's width in characters; 0 when it is not known.
int TerminalColumns(std::FILE* stream);
