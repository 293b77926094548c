#pragma once

// One implementation per platform: SafeFile_lin.cpp (POSIX), SafeFile_win.cpp (Win32, UTF-16 paths).

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <system_error>

// Why a save failed, besides the system's own reasons (errno values in the generic category).
enum class FileSaveError { NotRegularFile = 1 }; // a device, a FIFO or a socket is in the file's place

class FileSaveErrorCategoryType final : public std::error_category {
public:
    const char* name() const noexcept override { return "file-save"; }
    std::string message(int) const override { return "not a regular file"; }
};
inline const std::error_category& FileSaveErrorCategory() {
    static const FileSaveErrorCategoryType category;
    return category;
}
inline std::error_code make_error_code(FileSaveError error) {
    return {static_cast<int>(error), FileSaveErrorCategory()};
}

// Writes the parts, one after the other, as the file's new content. The file is complete on disk
// before it replaces the old one: a full disk or a crash mid-write leaves the last good copy in place.
// Only a regular file is ever replaced, and a write-protected one stays as it is; the new one keeps
// the old one's permissions; a symbolic link is written through, also to a file that is missing. On
// failure, reason says why.
bool WriteFileSafely(const std::filesystem::path& path,
                     std::initializer_list<std::span<const std::uint8_t>> parts, std::error_code& reason);
bool WriteFileSafely(const std::filesystem::path& path,
                     std::initializer_list<std::span<const std::uint8_t>> parts);
