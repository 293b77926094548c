#pragma once

// One implementation per platform: SafeFile_lin.cpp (POSIX), SafeFile_win.cpp (Win32, UTF-16 paths).

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>

// Writes the parts, one after the other, as the file's new content. The file is complete on disk
// before it replaces the old one: a full disk or a crash mid-write leaves the last good copy in place.
// A write-protected file stays as it is; the new one keeps the old one's permissions; a symbolic link
// is written through.
bool WriteFileSafely(const std::filesystem::path& path,
                     std::initializer_list<std::span<const std::uint8_t>> parts);
