#include "Terminal.h"

#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include "voice/Utf16.h"

namespace {

HANDLE ConsoleOf(std::FILE* stream) {
    const int fd = _fileno(stream);
    return fd >= 0 && _isatty(fd) ? reinterpret_cast<HANDLE>(_get_osfhandle(fd)) : INVALID_HANDLE_VALUE;
}

} // namespace

// Only a console that understands escape sequences counts: the live lines are redrawn with them.
bool IsTerminal(std::FILE* stream) {
    DWORD mode = 0;
    const HANDLE console = ConsoleOf(stream);
    return console != INVALID_HANDLE_VALUE && GetConsoleMode(console, &mode) != 0 &&
           (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalColumns(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    const HANDLE console = ConsoleOf(stream);
    if (console == INVALID_HANDLE_VALUE || GetConsoleScreenBufferInfo(console, &info) == 0)
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

std::vector<std::string> Utf8Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i)
        arguments.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

void PrepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
    for (const DWORD stream : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE console = GetStdHandle(stream);
        DWORD mode = 0;
        if (GetConsoleMode(console, &mode) != 0)
            SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}
