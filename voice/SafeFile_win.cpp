#include "SafeFile.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <windows.h>

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    bool Close() {
        const bool closed = handle_ == INVALID_HANDLE_VALUE || CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 30));
        DWORD written = 0;
        if (WriteFile(file, bytes.data(), chunk, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

// A fresh name beside the target, so that the final replace stays within one volume. The paths are
// UTF-16 throughout: folder names in any language work whatever the system's code page.
HANDLE CreateTemporary(const std::filesystem::path& target, std::wstring& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target.wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                    std::to_wstring(counter++) + L".tmp";
        const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

// A read-only file or a folder stays as it is, as a plain overwrite would leave it.
bool MayReplace(DWORD attributes) {
    return attributes == INVALID_FILE_ATTRIBUTES ||
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

// The new file takes over the attributes of the one it replaces that a user sets (hidden, archive), then
// moves over it; the move reaches the disk before it returns. A move that fails leaves both files as
// they were. Attributes are a courtesy: one that can't be carried over does not stop the save.
bool MoveIntoPlace(const std::wstring& temporary, const std::wstring& target, DWORD attributes) {
    constexpr DWORD carried = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & carried) != 0)
        SetFileAttributesW(temporary.c_str(), attributes & carried);
    return MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

} // namespace

bool WriteFileSafely(const std::filesystem::path& path,
                     std::initializer_list<std::span<const std::uint8_t>> pieces) {
    const std::wstring target = path.wstring();
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (!MayReplace(attributes)) {
        return false;
    }
    std::wstring temporary;
    FileHandle file(CreateTemporary(path, temporary));
    if (!file.IsOpen()) {
        return false;
    }
    bool ok = true;
    for (const auto piece : pieces) {
        ok = ok && WriteAll(file.Get(), piece);
    }
    ok = ok && FlushFileBuffers(file.Get()) != 0;
    ok = file.Close() && ok;
    ok = ok && MoveIntoPlace(temporary, target, attributes);
    if (!ok) {
        DeleteFileW(temporary.c_str());
    }
    return ok;
}

// Windows says less about why: a failure is reported as an I/O error.
bool WriteFileSafely(const std::filesystem::path& path,
                     std::initializer_list<std::span<const std::uint8_t>> parts, std::error_code& reason) {
    const bool ok = WriteFileSafely(path, parts);
    reason = ok ? std::error_code() : std::make_error_code(std::errc::io_error);
    return ok;
}
