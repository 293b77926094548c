#pragma once

// The seam between the voice file and the host's file system. One implementation per platform
// (SafeSave_lin.cpp, SafeSave_win.cpp).

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>

// Makes the pieces, in order, the whole new content of path. The target is replaced only once the new
// content is complete on disk: on any failure the old file stays as it was and nothing is left beside
// it. A target that a plain overwrite could not open for writing is refused.
bool SaveWhole(const std::filesystem::path& path,
               std::initializer_list<std::span<const std::uint8_t>> pieces);
