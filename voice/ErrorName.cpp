#include "ErrorName.h"

#include <cerrno>
#include <cstring>
#include <utility>

std::string ErrorName(const std::error_code& reason) {
#ifdef _WIN32
    const bool errnoValue = reason.category() == std::generic_category(); // the system's are Win32 codes
#else
    const bool errnoValue =
        reason.category() == std::generic_category() || reason.category() == std::system_category();
#endif
    if (!errnoValue)
        return reason.category() == std::system_category() ? std::to_string(reason.value()) : std::string();
#ifdef __GLIBC__
    if (const char* name = strerrorname_np(reason.value()))
        return name;
#endif
    // The C library's numbers elsewhere (Windows') have no such function: the ones a file meets.
    static const std::pair<int, const char*> names[] = {
        {ENOENT, "ENOENT"},
        {ENOTDIR, "ENOTDIR"},
        {EACCES, "EACCES"},
        {EPERM, "EPERM"},
        {EISDIR, "EISDIR"},
        {EROFS, "EROFS"},
        {ENOSPC, "ENOSPC"},
        {EFBIG, "EFBIG"},
        {EBUSY, "EBUSY"},
        {ELOOP, "ELOOP"},
        {EIO, "EIO"},
        {EMFILE, "EMFILE"},
        {ENAMETOOLONG, "ENAMETOOLONG"},
#ifdef EDQUOT // not on Windows
        {EDQUOT, "EDQUOT"},
#endif
    };
    for (const auto& [number, name] : names)
        if (reason.value() == number)
            return name;
    return std::to_string(reason.value());
}
