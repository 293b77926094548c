// voice-programmer-cli: the voice bank and the controllers from the command line.
#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "Json.h"
#include "Output.h"
#include "Terminal.h"

namespace {

int Run(const CommandLine& line) {
    if (line.help) {
        std::cout << Usage();
        return kExitDone;
    }
    if (line.version) {
        std::cout << "voice-programmer-cli " << VP_VERSION << '\n';
        return kExitDone;
    }
    return FindCommand(line.command)->run(line);
}

// A script that asked for JSON gets a document on every path, a mistaken call's included.
void WriteFailureIfJson(const std::vector<std::string>& arguments, std::string_view message) {
    if (std::find(arguments.begin(), arguments.end(), "--json") == arguments.end())
        return;
    const auto command = std::find_if(arguments.begin(), arguments.end(),
                                      [](const std::string& a) { return !a.starts_with('-'); });
    JsonWriter json(std::cout);
    WriteFailure(json, command == arguments.end() ? std::string_view() : std::string_view(*command), message);
}

} // namespace

int main(int argc, char** argv) {
    PrepareConsole();
    const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    try {
        return Run(ParseCommandLine(arguments));
    } catch (const UsageError& error) {
        PrintError(error.what());
        std::cerr << "Подробнее: voice-programmer-cli --help" << std::endl;
        WriteFailureIfJson(arguments, error.what());
        return kExitUsage;
    } catch (const std::exception& error) {
        PrintError(error.what());
        WriteFailureIfJson(arguments, error.what());
        return kExitFailed;
    }
}
