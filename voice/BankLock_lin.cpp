#include "BankLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr auto kRetry = std::chrono::milliseconds(50);

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

BankLock::~BankLock() {
    Release();
}

void BankLock::Release() {
    if (fd_ >= 0)
        ::close(fd_); // the lock goes with it
    fd_ = -1;
}

BankLock::Result BankLock::Lock(const std::filesystem::path& path, std::chrono::milliseconds wait) {
    Release();
    path_ = path;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0)
            return Result::Missing;
        struct stat held {
        }, named{};
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd_, &held) == 0 &&
            ::stat(path.c_str(), &named) == 0 && SameFile(held, named)) {
            identity_ = {std::uint64_t(held.st_dev), std::uint64_t(held.st_ino), std::uint64_t(held.st_size),
                         std::int64_t(held.st_mtim.tv_sec) * 1000000000 + held.st_mtim.tv_nsec};
            return Result::Locked;
        }
        Release(); // busy, or replaced by the save of the program that held it: try the file now there
        if (std::chrono::steady_clock::now() >= deadline)
            return Result::Busy;
        std::this_thread::sleep_for(kRetry);
    }
}

bool BankLock::Unchanged() const {
    struct stat named {};
    if (fd_ < 0 || ::stat(path_.c_str(), &named) != 0)
        return false;
    const Identity now{std::uint64_t(named.st_dev), std::uint64_t(named.st_ino), std::uint64_t(named.st_size),
                       std::int64_t(named.st_mtim.tv_sec) * 1000000000 + named.st_mtim.tv_nsec};
    return now == identity_;
}
