#pragma once

#include <QString>

#include <filesystem>

inline std::filesystem::path ToPath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}
