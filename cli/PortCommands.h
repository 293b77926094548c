#pragma once

struct CommandLine;

// The commands that speak to serial ports; each returns the program's exit code.
int RunPorts(const CommandLine& line);
int RunIdentify(const CommandLine& line);
int RunTransfer(const CommandLine& line); // program, read, compare
