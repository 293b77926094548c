#pragma once

#include <windows.h>

// Wine's serial ports differ from Windows' where a pseudo-terminal stands behind them: tests of what it
// cannot show skip there, and run on Windows itself.
inline bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
