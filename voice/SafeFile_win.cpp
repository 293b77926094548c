#include "SafeFile.h"
#include "SaveTemporary.h"

#include <algorithm>
#include <atomic>
#include <cwctype>
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

// A name that CreateTemporary gives: the target's, the process, a counter, ".tmp".
bool IsTemporaryName(const std::wstring& name) {
    constexpr std::wstring_view suffix = L".tmp";
    if (name.size() <= suffix.size() || !name.ends_with(suffix))
        return false;
    std::size_t end = name.size() - suffix.size();
    for (int number = 0; number < 2; ++number) {
        std::size_t start = end;
        while (start > 0 && std::iswdigit(name[start - 1]))
            --start;
        if (start == end || start == 0 || name[start - 1] != L'.')
            return false;
        end = start - 1;
    }
    return end > 0;
}

// Why the last Win32 call failed, in the errno terms the save's messages know.
std::error_code LastReason() {
    switch (GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_ACCESS_DENIED:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_WRITE_PROTECT:
        return std::make_error_code(std::errc::read_only_file_system);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::make_error_code(std::errc::device_or_resource_busy);
    default:
        return std::make_error_code(std::errc::io_error);
    }
}

// A folder or a read-only file stays as it is, as a plain overwrite would leave it.
std::error_code ReasonNotToReplace(DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return std::make_error_code(std::errc::is_a_directory);
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return std::make_error_code(std::errc::permission_denied);
    return {};
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
                     std::initializer_list<std::span<const std::uint8_t>> pieces, std::error_code& reason) {
    const std::wstring target = path.wstring();
    const DWORD attributes = GetFileAttributesW(target.c_str());
    reason = ReasonNotToReplace(attributes);
    if (reason)
        return false;
    std::wstring temporary;
    FileHandle file(CreateTemporary(path, temporary));
    if (!file.IsOpen()) {
        reason = LastReason();
        return false;
    }
    bool ok = true;
    for (const auto piece : pieces)
        ok = ok && WriteAll(file.Get(), piece);
    ok = ok && FlushFileBuffers(file.Get()) != 0;
    ok = ok && file.Close();
    ok = ok && MoveIntoPlace(temporary, target, attributes);
    if (!ok) {
        reason = LastReason();
        file.Close();
        DeleteFileW(temporary.c_str());
    }
    return ok;
}

bool WriteFileSafely(const std::filesystem::path& path,
                     std::initializer_list<std::span<const std::uint8_t>> parts) {
    std::error_code ignored;
    return WriteFileSafely(path, parts, ignored);
}

// A save still running holds its temporary file open without sharing, so deleting it fails and it stays.
void RemoveInterruptedSaves(const std::filesystem::path& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        if (IsTemporaryName(entry->path().filename().wstring()))
            DeleteFileW(entry->path().wstring().c_str());
    }
}
