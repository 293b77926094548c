#pragma once

// Text between the program's UTF-8 and the Win32 calls' UTF-16 (Windows only: Utf16_win.cpp).
// Invalid sequences become U+FFFD, as the system converts them.

#include <string>

std::wstring Utf16(const std::string& text);
std::string Utf8(const wchar_t* text); // a zero-terminated text
