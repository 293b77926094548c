#pragma once

#include <QString>

#include <filesystem>

// A file name the user chose, as the libraries below the window take it.
inline std::filesystem::path ToPath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}

inline QString FromPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}
