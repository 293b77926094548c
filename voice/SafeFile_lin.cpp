#include "SafeFile.h"

#include "SaveTemporary.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

#include <unistd.h>

namespace {

long long WriteSome(int fd, const std::uint8_t* bytes, std::size_t n) {
    return ::write(fd, bytes, n);
}
bool Sync(int fd) {
    return ::fsync(fd) == 0;
}
int Close(int fd) {
    return ::close(fd);
}
// The new file takes over the permissions of the one it replaces.
bool TakeOverMode(const std::filesystem::path& target, int fd) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0)
        return errno == ENOENT;
    return ::fchmod(fd, existing.st_mode & 0777) == 0;
}
// Makes the rename itself durable; a failure here cannot be undone, so it is not reported.
void SyncDirectory(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::error_code LastError() {
    return {errno, std::generic_category()};
}

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

// A save over a symbolic link replaces the file it points to, not the link, also when that file is
// gone (its folder must exist).
std::filesystem::path ResolveTarget(std::filesystem::path path, std::error_code& reason) {
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error)) {
            return path;
        }
        const std::filesystem::path link = std::filesystem::read_symlink(path, error);
        if (error) {
            reason = error;
            return {};
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    reason = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return {};
}

// Only a regular file is ever replaced: a device, a FIFO or a folder in its place stays, and so does a
// file that a plain overwrite could not open for writing.
std::error_code CheckReplaceable(const std::filesystem::path& target) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(target, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return {};
    }
    if (error) {
        return error;
    }
    if (status.type() == std::filesystem::file_type::directory) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return make_error_code(FileSaveError::NotRegularFile);
    }
    if (::access(target.c_str(), W_OK) != 0) {
        return LastError();
    }
    return {};
}

// The parts go into the open temporary file whole and onto the disk.
std::error_code WriteContents(int fd, const std::filesystem::path& target,
                              std::initializer_list<std::span<const std::uint8_t>> parts) {
    bool ok = TakeOverMode(target, fd);
    for (const auto& part : parts) {
        ok = ok && WriteAll(fd, part.data(), part.size());
    }
    ok = ok && Sync(fd);
    const std::error_code error = ok ? std::error_code() : LastError();
    if (Close(fd) != 0 && !error) {
        return LastError();
    }
    return error;
}

} // namespace

bool WriteFileSafely(const std::filesystem::path& path,
                     std::initializer_list<std::span<const std::uint8_t>> parts, std::error_code& reason) {
    reason.clear();
    const std::filesystem::path target = ResolveTarget(path, reason);
    if (!reason) {
        reason = CheckReplaceable(target);
    }
    std::filesystem::path temporary;
    const int fd = reason ? -1 : CreateSaveTemporary(target.parent_path(), temporary, reason);
    if (fd < 0) {
        return false;
    }
    reason = WriteContents(fd, target, parts);
    if (!reason) {
        std::filesystem::rename(temporary, target, reason);
    }
    if (reason) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    SyncDirectory(target.parent_path());
    return true;
}

bool WriteFileSafely(const std::filesystem::path& path,
                     std::initializer_list<std::span<const std::uint8_t>> parts) {
    std::error_code ignored;
    return WriteFileSafely(path, parts, ignored);
}
