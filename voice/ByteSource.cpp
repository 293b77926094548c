#include "ByteSource.h"

#include <algorithm>
#include <cstring>
#include <system_error>

std::size_t MemorySource::Read(std::span<std::uint8_t> bytes) {
    const std::size_t n = std::min(bytes.size(), bytes_.size());
    if (n > 0) {
        std::memcpy(bytes.data(), bytes_.data(), n);
    }
    bytes_ = bytes_.subspan(n);
    return n;
}

std::FILE* OpenRegularFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return nullptr;
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

FileSource::FileSource(const std::filesystem::path& path) : file_(OpenRegularFile(path)) {}

FileSource::~FileSource() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

std::size_t FileSource::Read(std::span<std::uint8_t> bytes) {
    if (file_ == nullptr || bytes.empty()) {
        return 0;
    }
    return std::fread(bytes.data(), 1, bytes.size(), file_);
}
