#include "SaveTemporary.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr std::string_view kPrefix = ".vce-";
constexpr std::string_view kSuffix = ".tmp";

// ".vce-<process>-<counter>.tmp"
std::string TemporaryName(unsigned long process, unsigned counter) {
    std::string name(kPrefix);
    name += std::to_string(process);
    name += '-';
    name += std::to_string(counter);
    name += kSuffix;
    return name;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsTemporaryName(std::string_view name) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix))
        return false;
    name.remove_prefix(kPrefix.size());
    name.remove_suffix(kSuffix.size());
    const std::size_t dash = name.find('-');
    return dash != std::string_view::npos && AllDigits(name.substr(0, dash)) &&
           AllDigits(name.substr(dash + 1));
}

#ifdef _WIN32
unsigned long ProcessId() {
    return static_cast<unsigned long>(_getpid());
}
int OpenNew(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
// Windows keeps a file that is open from being removed.
bool LockOwn(int) {
    return true;
}
void RemoveIfAbandoned(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}
#else
unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}
int OpenNew(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
// The lock tells a running save from an abandoned one. A cleaner that got in between the creation
// and the lock has removed the name: the file then counts as lost and another is made.
bool LockOwn(int fd) {
    struct stat info {};
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &info) == 0 && info.st_nlink > 0;
}
void RemoveIfAbandoned(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(path.c_str());
    ::close(fd);
}
#endif

} // namespace

int CreateSaveTemporary(const std::filesystem::path& folder, std::filesystem::path& temporary,
                        std::error_code& reason) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder / TemporaryName(ProcessId(), counter++);
        const int fd = OpenNew(temporary);
        if (fd < 0 && errno != EEXIST) {
            reason.assign(errno, std::generic_category());
            return -1;
        }
        if (fd >= 0 && LockOwn(fd))
            return fd;
        if (fd >= 0)
            ::close(fd);
    }
    reason = std::make_error_code(std::errc::file_exists);
    return -1;
}

void RemoveInterruptedSaves(const std::filesystem::path& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        if (IsTemporaryName(entry->path().filename().string()))
            RemoveIfAbandoned(entry->path());
    }
}
