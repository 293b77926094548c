#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Whether the stream is a terminal that a person watches (progress lines are redrawn in place there).
bool IsTerminal(std::FILE* stream);

// The terminal's width in characters; 0 when it is not known.
int TerminalColumns(std::FILE* stream);

// The program's arguments in UTF-8, as every text of the program is; Windows hands them to main in its
// ANSI code page, which cannot hold every file name.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes the console show the program's UTF-8 text and its escape sequences; nothing to do on Linux.
void PrepareConsole();
