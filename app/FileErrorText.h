#pragma once

#include <QString>

#include <system_error>

// Why a file could not be written or moved, in words a user can act on.
QString FileErrorText(const std::error_code& reason);
