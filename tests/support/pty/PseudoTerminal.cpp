#include "PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left) + 1;
}

constexpr std::pair<speed_t, std::int32_t> kSpeeds[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},         {B150, 150},
    {B200, 200},         {B300, 300},         {B600, 600},         {B1200, 1200},       {B1800, 1800},
    {B2400, 2400},       {B4800, 4800},       {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
    {B57600, 57600},     {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000},
    {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000}, {B3500000, 3500000}, {B4000000, 4000000},
};

} // namespace

PseudoTerminal::PseudoTerminal() {
    const auto fail = [this](const char* what) {
        const int error = errno;
        HangUp();
        throw std::system_error(error, std::generic_category(), what);
    };
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        fail("posix_openpt");
    char name[128];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0)
        fail("pseudo-terminal slave");
    slavePath_ = name;
    slaveHolder_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    const int flags = fcntl(master_, F_GETFL);
    if (slaveHolder_ < 0 || flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
        fail("pseudo-terminal setup");
}

PseudoTerminal::~PseudoTerminal() {
    HangUp();
}

termios PseudoTerminal::SlaveTermios() const {
    // On Linux the master reports the slave's settings.
    termios t{};
    if (master_ < 0 || tcgetattr(master_, &t) != 0)
        throw std::system_error(errno, std::generic_category(), "tcgetattr on the master");
    return t;
}

std::int32_t SpeedOf(speed_t speed) {
    for (const auto& [constant, bitsPerSecond] : kSpeeds)
        if (constant == speed)
            return bitsPerSecond;
    return 0;
}

std::int32_t PseudoTerminal::SlaveSpeed() const {
    const termios t = SlaveTermios();
    return SpeedOf(cfgetospeed(&t));
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
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || Clock::now() >= deadline)
            break;
        pollfd p{master_, POLLIN, 0};
        poll(&p, 1, RemainingMs(deadline));
    }
    got.resize(done);
    return got;
}

void PseudoTerminal::HangUp() {
    for (int* fd : {&master_, &slaveHolder_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}
