#pragma once

#include <chrono>
#include <string>
#include <vector>

// Runs another program to its end: the input is written to its standard input, its standard output is
// collected, its error output is discarded. The program is found on the search path.
struct ProgramRun {
    bool started = false; // false: it could not be started (not installed)
    int exitCode = -1;    // -1: it did not end by itself (killed at the time limit, or by a signal)
    std::string output;
};

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                      std::chrono::milliseconds limit);

// Whether a program of this name is on the search path.
bool ProgramInstalled(const std::string& name);
