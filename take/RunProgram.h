#pragma once

#include <chrono>
#include <cstddef>
#include <limits>
#include <stop_token>
#include <string>
#include <vector>

// Runs another program to its end: the input is written to its standard input, its standard output is
// collected, its error output is discarded. The program is found on the search path.
struct ProgramRun {
    bool started = false;       // false: it could not be started (not installed)
    int exitCode = -1;          // -1: it did not end by itself (killed at a limit, or by a signal)
    bool tooMuchOutput = false; // killed as its output passed the limit
    bool stopped = false;       // killed as a stop was requested
    std::string output;
};

// What cuts a run short. The program and everything it started is killed at once.
struct RunLimits {
    std::chrono::milliseconds time;
    std::size_t output = std::numeric_limits<std::size_t>::max(); // bytes
    std::stop_token stop = {};
};

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                      const RunLimits& limits);
inline ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                             std::chrono::milliseconds limit) {
    return RunProgram(arguments, input, RunLimits{limit});
}

// Whether a program of this name is on the search path.
bool ProgramInstalled(const std::string& name);
