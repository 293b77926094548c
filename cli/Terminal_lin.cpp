#include "Terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
}

int TerminalColumns(std::FILE* stream) {
    winsize size{};
    return ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return {argv + 1, argv + argc};
}

void PrepareConsole() {}
