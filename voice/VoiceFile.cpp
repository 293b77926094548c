#include "VoiceFile.h"

#include "ByteSource.h"
#include "Checksum.h"
#include "SaveTemporary.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr std::size_t kHeaderSize = 22;
constexpr std::string_view kHeaderOldest = "[VoiceMessage v.01.00]";
constexpr std::string_view kHeaderUnchecked = "[VoiceMessage v.01.04]";
constexpr std::string_view kHeaderCurrent = "[VoiceMessage v.05.05]";

#ifdef _WIN32
long long WriteSome(int fd, const std::uint8_t* bytes, std::size_t n) {
    return _write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(n, 1U << 30)));
}
bool Sync(int fd) {
    return _commit(fd) == 0;
}
int Close(int fd) {
    return _close(fd);
}
bool TakeOverMode(const std::filesystem::path&, int) {
    return true;
}
void SyncDirectory(const std::filesystem::path&) {}
#else
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
#endif

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
        return make_error_code(VoiceFileError::NotRegularFile);
    }
#ifdef _WIN32
    if (_waccess(target.c_str(), 2) != 0) {
#else
    if (::access(target.c_str(), W_OK) != 0) {
#endif
        return LastError();
    }
    return {};
}

// The image goes into the open temporary file whole and onto the disk.
std::error_code WriteContents(int fd, const std::filesystem::path& target, const VoiceImage& image) {
    const std::uint8_t checksum = Checksum(image);
    const bool ok =
        TakeOverMode(target, fd) &&
        WriteAll(fd, reinterpret_cast<const std::uint8_t*>(kHeaderCurrent.data()), kHeaderCurrent.size()) &&
        WriteAll(fd, image.data(), image.size()) && WriteAll(fd, &checksum, 1) && Sync(fd);
    const std::error_code error = ok ? std::error_code() : LastError();
    if (Close(fd) != 0 && !error) {
        return LastError();
    }
    return error;
}

class VoiceFileCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "voice-file"; }
    std::string message(int) const override { return "not a regular file"; }
};

} // namespace

const std::error_category& VoiceFileErrorCategory() {
    static const VoiceFileCategory category;
    return category;
}

// The file is complete on disk before it replaces the old one: a full disk or a crash mid-write
// leaves the last good copy in place.
VoiceFileResult WriteVoiceFile(const std::filesystem::path& path, const VoiceImage& image,
                               std::error_code& reason) {
    reason.clear();
    const std::filesystem::path target = ResolveTarget(path, reason);
    if (!reason) {
        reason = CheckReplaceable(target);
    }
    std::filesystem::path temporary;
    const int fd = reason ? -1 : CreateSaveTemporary(target.parent_path(), temporary, reason);
    if (fd < 0) {
        return kVoiceFileFailed;
    }
    reason = WriteContents(fd, target, image);
    if (!reason) {
        std::filesystem::rename(temporary, target, reason);
    }
    if (reason) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return kVoiceFileFailed;
    }
    SyncDirectory(target.parent_path());
    return kVoiceFileOk;
}

VoiceFileResult WriteVoiceFile(const std::filesystem::path& path, const VoiceImage& image) {
    std::error_code ignored;
    return WriteVoiceFile(path, image, ignored);
}

VoiceFileResult ReadVoiceFile(const std::filesystem::path& path, VoiceImage& image, bool& fullLayout) {
    FileSource file(path);
    if (!file.IsOpen()) {
        return kVoiceFileFailed;
    }
    return ReadVoiceFile(file, image, fullLayout);
}

VoiceFileResult ReadVoiceFile(ByteSource& file, VoiceImage& image, bool& fullLayout) {
    std::array<std::uint8_t, kHeaderSize> header{};
    if (file.Read(header) != header.size()) {
        return kVoiceFileFailed;
    }
    const std::string_view text(reinterpret_cast<const char*>(header.data()), header.size());
    bool verified = true;
    if (text == kHeaderOldest) {
        fullLayout = false;
    } else if (text == kHeaderUnchecked) {
        fullLayout = true;
        verified = false;
    } else if (text == kHeaderCurrent) {
        fullLayout = true;
    } else {
        return kVoiceFileFailed;
    }
    std::uint8_t checksum = 0;
    if (file.Read(image) != image.size() || file.Read(std::span(&checksum, 1)) != 1) {
        return kVoiceFileFailed;
    }
    if (verified && Checksum(image) != checksum) {
        return kVoiceFileChecksumMismatch;
    }
    return kVoiceFileOk;
}
