#include "emulator/Pty.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace emulator {
namespace {

[[noreturn]] void Fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

Pty::Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        Fail("posix_openpt");
    }
    char name[128];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
        const int error = errno;
        Close();
        errno = error;
        Fail("pseudo-terminal slave");
    }
    slavePath_ = name;
    slaveHolder_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    const int flags = fcntl(master_, F_GETFL);
    if (slaveHolder_ < 0 || flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        const int error = errno;
        Close();
        errno = error;
        Fail("pseudo-terminal setup");
    }
}

Pty::~Pty() {
    Close();
}

void Pty::Close() {
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
    if (slaveHolder_ >= 0) {
        close(slaveHolder_);
        slaveHolder_ = -1;
    }
}

} // namespace emulator
