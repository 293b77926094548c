#pragma once

// One implementation per platform: BankLock_lin.cpp (POSIX, a lock on the file), BankLock_win.cpp
// (Win32, a named mutex for its path).

#include <chrono>
#include <cstdint>
#include <filesystem>

// Holds a voice file for one program from its reading to its writing, so that two programs changing the
// same bank one after the other both keep their change. A save by the program that held the lock, which
// replaces the file, is seen: the new file is the one locked and read.
class BankLock {
public:
    enum class Result {
        Locked,
        Missing, // no file to lock: the bank is new
        Busy,    // another program held it all the while
    };

    BankLock() = default;
    BankLock(const BankLock&) = delete;
    BankLock& operator=(const BankLock&) = delete;
    ~BankLock();

    Result Lock(const std::filesystem::path& path, std::chrono::milliseconds wait);
    // The file at the path is still the one locked, as it was then: no program that does not lock
    // replaced or wrote it.
    bool Unchanged() const;

private:
    struct Identity {
        std::uint64_t device = 0, file = 0, size = 0;
        std::int64_t modified = 0;
        bool operator==(const Identity&) const = default;
    };
    void Release();

    std::filesystem::path path_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    Identity identity_;
};
