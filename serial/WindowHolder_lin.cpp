#include "WindowHolder_lin.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

// Where the window keeps its lock: the session's runtime directory or, without one, a folder of the
// user's cache; the file is named after the window's title.
std::string WindowLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime && *runtime) {
        folder = runtime;
    } else {
        const char* cache = std::getenv("XDG_CACHE_HOME");
        const char* home = std::getenv("HOME");
        if (cache && *cache == '/')
            folder = cache;
        else if (home && *home)
            folder = std::string(home) + "/.cache";
        else
            return {};
        folder += "/voice-programmer";
    }
    return folder + "/Программатор голосовых сообщений.lock";
}

bool ProcessHolds(long pid, dev_t device) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end; !error && it != end;
         it.increment(error)) {
        struct stat info {};
        if (stat(it->path().c_str(), &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == device)
            return true;
    }
    return false;
}

} // namespace

bool WindowHoldsDevice(const std::string& devicePath) {
    struct stat device {};
    if (stat(devicePath.c_str(), &device) != 0 || !S_ISCHR(device.st_mode))
        return false;
    std::ifstream lock(WindowLockPath());
    long pid = 0;
    return lock >> pid && pid > 0 && ProcessHolds(pid, device.st_rdev);
}
