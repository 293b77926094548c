#pragma once

#include <string>
#include <system_error>

// Why a file could not be written or moved, in words a user can act on (UTF-8).
std::string SaveErrorText(const std::error_code& reason);
