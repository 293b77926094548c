#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>

// A sequential byte stream: the WAV import reads forward only and never seeks.
// A regular file opened for reading by its name, wide on Windows so that any name opens; nothing for a
// directory, FIFO or device (they would fail to read or block). The caller closes it.
std::FILE* OpenRegularFile(const std::filesystem::path& path);

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to bytes.size() bytes; fewer only at the end of the stream or on an error.
    virtual std::size_t Read(std::span<std::uint8_t> bytes) = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t Read(std::span<std::uint8_t> bytes) override;

private:
    std::span<const std::uint8_t> bytes_;
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::filesystem::path& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // The open file, for a reader of its own that starts over from its beginning.
    std::FILE* File() const { return file_; }
    std::size_t Read(std::span<std::uint8_t> bytes) override;

private:
    std::FILE* file_ = nullptr;
};
