#pragma once

#include <string>
#include <system_error>

// Why a file could not be written or moved, in words a user can act on (UTF-8).
std::string SaveErrorText(const std::error_code& reason);

// The system's name of a file error ("ENOSPC"), which a helper searching for the cause can use: the
// number where the name is not known here, nothing for a reason of the program's own.
std::string ErrorName(const std::error_code& reason);
