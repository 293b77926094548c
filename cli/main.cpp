// voice-programmer-cli: the voice bank and the controllers from the command line.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
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

} // namespace

int main(int argc, char** argv) {
    PrepareConsole();
    try {
        return Run(ParseCommandLine(Utf8Arguments(argc, argv)));
    } catch (const UsageError& error) {
        PrintError(error.what());
        std::cerr << "Подробнее: voice-programmer-cli --help" << std::endl;
        return kExitUsage;
    } catch (const std::exception& error) {
        PrintError(error.what());
        return kExitFailed;
    }
}
