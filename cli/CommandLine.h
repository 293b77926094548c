#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// What the user asked for: a command, its file and event arguments, and the options.
struct CommandLine {
    std::string command;
    std::vector<std::string> arguments;
    std::vector<std::string> ports; // in the order given, each once
    bool json = false;
    bool noVerify = false;
    bool usedOnly = false;
    bool noNormalise = false;
    bool help = false;
    bool version = false;
};

// A command line that asks for nothing sensible; the text is for the user.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises UsageError for an unknown command or option, a missing or extra argument, an option the
// command does not take, a port named twice.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The event number of an argument: 0 to 42, or UsageError.
int ParseEvent(const std::string& text);
