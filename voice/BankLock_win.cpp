#include "BankLock.h"

#include <functional>
#include <string>
#include <windows.h>

// A file that is open can't be replaced by the safe save here, so the lock is a named mutex for the
// file's full path rather than the file itself; it goes with the program, however it ends.
namespace {

bool IdentityOf(const std::filesystem::path& path, std::uint64_t (&parts)[4]) {
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    parts[0] = info.dwVolumeSerialNumber;
    parts[1] = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    parts[2] = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    parts[3] =
        (std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    return read;
}

std::wstring MutexName(const std::filesystem::path& path) {
    std::error_code ignored;
    std::wstring full = std::filesystem::absolute(path, ignored).wstring();
    CharUpperBuffW(full.data(), DWORD(full.size())); // names are not case-sensitive
    return L"Local\\voice-bank-" + std::to_wstring(std::hash<std::wstring>{}(full));
}

} // namespace

BankLock::~BankLock() {
    Release();
}

void BankLock::Release() {
    if (handle_ != nullptr) {
        ReleaseMutex(handle_);
        CloseHandle(handle_);
    }
    handle_ = nullptr;
}

BankLock::Result BankLock::Lock(const std::filesystem::path& path, std::chrono::milliseconds wait) {
    Release();
    path_ = path;
    std::uint64_t parts[4];
    if (!IdentityOf(path, parts))
        return Result::Missing;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName(path).c_str());
    if (mutex == nullptr)
        return Result::Busy;
    const DWORD waited = WaitForSingleObject(mutex, DWORD(wait.count()));
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return Result::Busy;
    }
    handle_ = mutex;
    if (!IdentityOf(path, parts)) // read again: the program that held it may have replaced it
        return Result::Missing;
    identity_ = {parts[0], parts[1], parts[2], std::int64_t(parts[3])};
    return Result::Locked;
}

bool BankLock::Unchanged() const {
    std::uint64_t parts[4];
    return handle_ != nullptr && IdentityOf(path_, parts) &&
           Identity{parts[0], parts[1], parts[2], std::int64_t(parts[3])} == identity_;
}
