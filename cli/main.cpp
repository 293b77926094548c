// voice-programmer-cli: the voice bank and the controllers from the command line.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "BankCommands.h"
#include "CommandLine.h"
#include "Output.h"
#include "PortCommands.h"
#include "Terminal.h"

namespace {

int Run(const CommandLine& line) {
    if (line.help) {
        std::cout << kUsage;
        return kExitDone;
    }
    if (line.version) {
        std::cout << "voice-programmer-cli " << VP_VERSION << '\n';
        return kExitDone;
    }
    if (line.command == "ports")
        return RunPorts(line);
    if (line.command == "info")
        return RunInfo(line);
    if (line.command == "import")
        return RunImport(line);
    if (line.command == "delete")
        return RunDelete(line);
    if (line.command == "identify")
        return RunIdentify(line);
    return RunTransfer(line);
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
