#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// Why a file cannot be opened for reading as a regular file: the system's reason, or
// FileSaveError::NotRegularFile for a device, a FIFO or a socket; nothing when it opens.
std::error_code WhyUnreadable(const std::filesystem::path& path);

// That reason in words a user can act on (UTF-8).
std::string ReadErrorText(const std::error_code& reason);
