#include "SafeFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
int OpenNew(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long long WriteSome(int fd, const std::uint8_t* bytes, std::size_t n) {
    return _write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(n, 1U << 30)));
}
bool Sync(int fd) {
    return _commit(fd) == 0;
}
int Close(int fd) {
    return _close(fd);
}
int ProcessId() {
    return _getpid();
}
bool MayReplace(const std::filesystem::path& target, int) {
    return _waccess(target.c_str(), 2) == 0 || errno == ENOENT;
}
void SyncDirectory(const std::filesystem::path&) {}
#else
int OpenNew(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
long long WriteSome(int fd, const std::uint8_t* bytes, std::size_t n) {
    return ::write(fd, bytes, n);
}
bool Sync(int fd) {
    return ::fsync(fd) == 0;
}
int Close(int fd) {
    return ::close(fd);
}
int ProcessId() {
    return static_cast<int>(::getpid());
}
// A file that a plain overwrite could not open for writing stays as it is; the new one takes over the
// permissions of the one it replaces.
bool MayReplace(const std::filesystem::path& target, int fd) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0) {
        return errno == ENOENT;
    }
    return ::access(target.c_str(), W_OK) == 0 && ::fchmod(fd, existing.st_mode & 0777) == 0;
}
// Makes the rename itself durable; a failure here cannot be undone, so it is not reported.
void SyncDirectory(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t n) {
    while (n > 0) {
        const long long written = WriteSome(fd, bytes, n);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        n -= static_cast<std::size_t>(written);
    }
    return true;
}

// A fresh name beside the target, so that the final rename stays within one file system.
int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target;
        temporary += "." + std::to_string(ProcessId()) + "." + std::to_string(counter++) + ".tmp";
        const int fd = OpenNew(temporary);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// A save over a symbolic link replaces the file it points to, not the link.
std::filesystem::path ResolveTarget(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) {
        return path;
    }
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error ? path : resolved;
}

} // namespace

bool WriteFileSafely(const std::filesystem::path& path,
                     std::initializer_list<std::span<const std::uint8_t>> parts) {
    const std::filesystem::path target = ResolveTarget(path);
    std::filesystem::path temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) {
        return false;
    }
    bool ok = MayReplace(target, fd);
    for (const auto& part : parts) {
        ok = ok && WriteAll(fd, part.data(), part.size());
    }
    ok = ok && Sync(fd);
    ok = Close(fd) == 0 && ok;
    std::error_code error;
    if (ok) {
        std::filesystem::rename(temporary, target, error);
    }
    if (!ok || error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    SyncDirectory(target.parent_path());
    return true;
}
