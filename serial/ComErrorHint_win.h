#pragma once

#include <string>

// A line in Russian that tells the user how to fix the cause of a device error (error is a Windows
// error code), or the empty string when there is nothing the user can do about it.
std::string ComErrorHint(unsigned long error, const std::string& portName);
