#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

struct CommandLine;

// Options that only some commands take.
enum CommandOption : unsigned {
    kNoVerify = 1U << 0,
    kUsedOnly = 1U << 1,
    kNoNormalise = 1U << 2,
};

enum class PortUse { None, One, Many };

// What an operand is, for the shell's completion.
enum class Operand { Bank, Event, Recording };

// One command of the program: everything about it is here. The usage, the manual's synopsis and
// command list, the shell's completion, the parser's rules and the dispatch all come from this table.
struct Command {
    std::string_view name;
    std::span<const Operand> operands;
    std::string_view usage; // what follows the name in the usage ("BANK.vce EVENT AUDIO [--no-normalise]")
    PortUse ports;
    unsigned options;        // CommandOption flags
    std::string_view help;   // one line of the usage; may be empty
    std::string_view manual; // its paragraph in the manual (roff)
    int (*run)(const CommandLine& line);
};

std::span<const Command> Commands();
const Command* FindCommand(std::string_view name);

// The --help text.
std::string Usage();
// The manual page from its template: "@SYNOPSIS@" and "@COMMANDS@" filled in.
std::string ManualPage(std::string_view manualTemplate);
// The bash completion from its template: "@COMMANDS@", "@OPTIONS@" and "@OPERANDS@" filled in.
std::string BashCompletion(std::string_view completionTemplate);
