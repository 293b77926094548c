// Speeds without a B constant go through termios2 and BOTHER. The kernel's termios structures clash
// with the C library's, so they live in this file alone.

#include "ComSpeed_lin.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

int SetOtherSpeed(int fd, std::int32_t bitsPerSecond) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return errno;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(bitsPerSecond);
    t.c_ospeed = static_cast<speed_t>(bitsPerSecond);
    if (ioctl(fd, TCSETS2, &t) != 0)
        return errno;
    return 0;
}

std::int32_t ReadOutputSpeed(int fd) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return -1;
    return static_cast<std::int32_t>(t.c_ospeed);
}
