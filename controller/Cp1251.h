#pragma once

#include <string>
#include <string_view>

// Text from the controller is single-byte Windows code page 1251; the views take UTF-8.
std::string Cp1251ToUtf8(std::string_view text);
