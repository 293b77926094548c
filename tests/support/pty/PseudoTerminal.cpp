#include "PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left) + 1;
}

struct SpeedName {
    speed_t code;
    std::int32_t bitsPerSecond;
};

constexpr SpeedName speeds[] = {
    {B110, 110},       {B300, 300},       {B600, 600},       {B1200, 1200},     {B2400, 2400},
    {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
    {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

} // namespace

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        throw std::runtime_error(std::string("posix_openpt: ") + std::strerror(errno));
    char name[128];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
        const int error = errno;
        close(master_);
        throw std::runtime_error(std::string("pseudo-terminal setup: ") + std::strerror(error));
    }
    slavePath_ = name;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
    HangUp();
}

termios PseudoTerminal::SlaveTermios() const {
    // On Linux the master reports the slave's settings.
    termios t{};
    if (master_ < 0 || tcgetattr(master_, &t) != 0)
        throw std::runtime_error(std::string("tcgetattr on the master: ") + std::strerror(errno));
    return t;
}

std::int32_t PseudoTerminal::SlaveSpeed() const {
    const termios t = SlaveTermios();
    const speed_t code = cfgetospeed(&t);
    for (const SpeedName& s : speeds)
        if (s.code == code)
            return s.bitsPerSecond;
    return 0;
}

bool PseudoTerminal::SlaveIsRaw() const {
    const termios t = SlaveTermios();
    return (t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN)) == 0 &&
           (t.c_iflag & (ICRNL | INLCR | IGNCR | IXON)) == 0 && (t.c_oflag & OPOST) == 0 &&
           (t.c_cflag & CSIZE) == CS8;
}

bool PseudoTerminal::WaitForRawSlave(Milliseconds timeout) const {
    const auto deadline = Clock::now() + timeout;
    while (!SlaveIsRaw()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(Milliseconds(1));
    }
    return true;
}

bool PseudoTerminal::Write(const void* data, std::size_t count, Milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < count && master_ >= 0) {
        const ssize_t n = write(master_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{master_, POLLOUT, 0};
        if (poll(&p, 1, RemainingMs(deadline)) == 0 && Clock::now() >= deadline)
            return false;
    }
    return done == count;
}

bool PseudoTerminal::Write(const std::vector<std::uint8_t>& data, Milliseconds timeout) {
    return Write(data.data(), data.size(), timeout);
}

std::vector<std::uint8_t> PseudoTerminal::Read(std::size_t count, Milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::vector<std::uint8_t> got(count);
    std::size_t done = 0;
    while (done < count && master_ >= 0) {
        const ssize_t n = read(master_, got.data() + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        // EIO: nobody holds the slave open (yet, or any more); wait for it like for data.
        if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO)
            break;
        if (Clock::now() >= deadline)
            break;
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, RemainingMs(deadline)) > 0 && (p.revents & POLLHUP) != 0)
            std::this_thread::sleep_for(Milliseconds(1)); // the slave is closed: poll would not wait
    }
    got.resize(done);
    return got;
}

std::size_t PseudoTerminal::Pending() const {
    int queued = 0;
    if (master_ < 0 || ioctl(master_, FIONREAD, &queued) != 0)
        return 0;
    return static_cast<std::size_t>(queued);
}

void PseudoTerminal::Drain() {
    unsigned char scrap[4096];
    while (master_ >= 0 && read(master_, scrap, sizeof scrap) > 0) {
    }
}

void PseudoTerminal::HangUp() {
    if (master_ >= 0)
        close(master_);
    master_ = -1;
}
