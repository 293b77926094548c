#pragma once

#include <string>
#include <system_error>

// The system's name of an error ("ENOSPC"), which a helper searching for the cause can use: the number
// where no name is known (Windows' own codes), nothing for a reason of the program's own.
std::string ErrorName(const std::error_code& reason);
