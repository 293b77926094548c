// The serial device on Linux: a terminal device in raw mode, opened for this process alone. Reads and
// writes are non-blocking system calls paced by ppoll() on the monotonic clock, which is how the
// port's time-outs are kept.

#include "ComDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/serial.h>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "ComErrorHint_lin.h"
#include "ComSpeed_lin.h"
#include "PortName_lin.h"

namespace {

using Clock = std::chrono::steady_clock;

struct StandardSpeed {
    std::int32_t bitsPerSecond;
    speed_t code;
};

constexpr StandardSpeed standardSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},         {150, B150},
    {200, B200},       {300, B300},       {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
};

bool FindSpeedCode(std::int32_t bitsPerSecond, speed_t& code) {
    for (const StandardSpeed& s : standardSpeeds)
        if (s.bitsPerSecond == bitsPerSecond) {
            code = s.code;
            return true;
        }
    return false;
}

// Modem-line and serial-driver ioctls that a device lacks (a pseudo-terminal, some adapters).
bool Unsupported(int error) {
    return error == ENOTTY || error == EINVAL;
}

timespec ToTimespec(Clock::duration d) {
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(d, Clock::duration::zero()));
    return {static_cast<time_t>(ns.count() / 1000000000), static_cast<long>(ns.count() % 1000000000)};
}

// Waits for events on fd until deadline (none: no limit). Returns the reported events, 0 at the
// deadline.
short WaitFor(int fd, short events, const Clock::time_point* deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        timespec limit{};
        if (deadline)
            limit = ToTimespec(*deadline - Clock::now());
        const int rc = ppoll(&p, 1, deadline ? &limit : nullptr, nullptr);
        if (rc > 0)
            return p.revents;
        if (rc == 0)
            return 0;
        if (errno != EINTR)
            return POLLERR;
    }
}

// Bytes the device still holds to send; -1 when it cannot tell.
int QueuedForSending(int fd) {
    int queued = 0;
    return ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : -1;
}

Clock::time_point After(Clock::time_point start, std::uint64_t milliseconds) {
    // Deadlines beyond any real wait (up to 2^64 ms) are clamped rather than overflowing the clock.
    constexpr std::uint64_t limit = 1000ull * 3600 * 24 * 365 * 100;
    return start + std::chrono::milliseconds(std::min(milliseconds, limit));
}

} // namespace

struct ComDevice::State {
    int fd = -1;
    std::string path;
    bool discardNull = false;
    std::int32_t bitsPerSecond = 9600;
    bool modemLinesApplied = false;
    TDTRFlowControl appliedDTR = dtrDisable;
    TRTSFlowControl appliedRTS = rtsDisable;
    bool restoreSerialFlags = false;
    int savedSerialFlags = 0;

    bool lineStatusUnsupported = false;

    std::mutex eventsMutex;
    std::condition_variable eventsStop;
    bool eventsStopped = false;

    [[noreturn]] void Fail(std::int32_t code, int error) const {
        throw EComPort(code, error, ComErrorHint(error, path), path);
    }
    void SetLowLatency();
    bool TransmitterEmpty();
    void SetModemLines(TDTRFlowControl dtr, TRTSFlowControl rts);
    std::int32_t DropNulls(unsigned char* bytes, std::int32_t count) const;
};

ComDevice::ComDevice(const std::string& portName) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.path = DevicePathOf(portName);
    // A file, a FIFO or a folder given as the port is not opened at all.
    struct stat info {};
    if (stat(s.path.c_str(), &info) == 0 && !S_ISCHR(info.st_mode))
        s.Fail(CError_OpenFailed, ENOTTY);
    s.fd = open(s.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s.fd < 0)
        s.Fail(CError_OpenFailed, errno);
    int error = 0;
    if (!isatty(s.fd))
        error = ENOTTY;
    else if (flock(s.fd, LOCK_EX | LOCK_NB) != 0)
        error = errno == EWOULDBLOCK ? EBUSY : errno;
    else if (ioctl(s.fd, TIOCEXCL) != 0 && !Unsupported(errno))
        error = errno;
    if (error != 0) {
        close(s.fd);
        s.Fail(CError_OpenFailed, error);
    }
    s.SetLowLatency();
}

ComDevice::~ComDevice() {
    State& s = *state_;
    if (s.restoreSerialFlags) {
        serial_struct serial{};
        if (ioctl(s.fd, TIOCGSERIAL, &serial) == 0) {
            serial.flags = s.savedSerialFlags;
            ioctl(s.fd, TIOCSSERIAL, &serial);
        }
    }
    ioctl(s.fd, TIOCNXCL);
    close(s.fd);
}

void ComDevice::State::SetLowLatency() {
    // Best effort: without it USB-serial adapters hold every answer back for up to 16 ms.
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY) != 0)
        return;
    const int old = serial.flags;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (ioctl(fd, TIOCSSERIAL, &serial) == 0) {
        restoreSerialFlags = true;
        savedSerialFlags = old;
    }
}

bool ComDevice::State::TransmitterEmpty() {
    // The queue count leaves out the UART's own FIFO; the line status tells when that is empty too.
    // Devices without one (pseudo-terminals, USB adapters) are asked once only.
    if (lineStatusUnsupported)
        return true;
    unsigned int status = 0;
    if (ioctl(fd, TIOCSERGETLSR, &status) == 0)
        return (status & TIOCSER_TEMT) != 0;
    lineStatusUnsupported = Unsupported(errno);
    return true;
}

void ComDevice::ApplyBuffer(std::int32_t, std::int32_t) {
    // A terminal's queues have fixed sizes: there is nothing to recommend. The sizes stay stored in
    // the port all the same.
}

void ComDevice::ApplyLine(const ComLineSettings& line) {
    State& s = *state_;
    if (line.dataBits < dbFive || line.dataBits > dbEight || line.bitsPerSecond <= 0)
        s.Fail(CError_SetStateFailed, EINVAL);
    termios t{};
    if (tcgetattr(s.fd, &t) != 0)
        s.Fail(CError_SetStateFailed, errno);

    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK |
                   IGNPAR | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= CLOCAL | CREAD;
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[line.dataBits];
    switch (line.parity.bits) {
    case prNone:
        break;
    case prOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case prEven:
        t.c_cflag |= PARENB;
        break;
    case prMark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case prSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    if (line.parity.check && line.parity.bits != prNone)
        t.c_iflag |= INPCK;
    if (line.stopBits != sbOneStopBit) // five data bits with CSTOPB are 1.5 stop bits on the wire
        t.c_cflag |= CSTOPB;
    if (line.flow.outCTSFlow || line.flow.controlRTS == rtsHandshake)
        t.c_cflag |= CRTSCTS;
    if (line.flow.xonXoffOut)
        t.c_iflag |= IXON;
    if (line.flow.xonXoffIn)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(line.flow.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(line.flow.xoffChar);
    // VMIN 1 makes an empty non-blocking read fail with EAGAIN, so that 0 can only mean a hang-up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    speed_t code = 0;
    const bool standard = FindSpeedCode(line.bitsPerSecond, code);
    if (standard && (cfsetispeed(&t, code) != 0 || cfsetospeed(&t, code) != 0))
        s.Fail(CError_SetStateFailed, EINVAL);
    if (tcsetattr(s.fd, TCSANOW, &t) != 0)
        s.Fail(CError_SetStateFailed, errno);
    if (!standard) {
        if (const int error = SetOtherSpeed(s.fd, line.bitsPerSecond); error != 0)
            s.Fail(CError_SetStateFailed, error);
    }
    // A driver may round the speed to what its clock can divide; more than 3% off garbles the line.
    const std::int64_t actual = ReadOutputSpeed(s.fd);
    if (actual < 0 || std::abs(actual - line.bitsPerSecond) * 100 > std::int64_t{line.bitsPerSecond} * 3)
        s.Fail(CError_SetStateFailed, EINVAL);

    s.bitsPerSecond = line.bitsPerSecond;
    s.discardNull = line.discardNull;
    s.SetModemLines(line.flow.controlDTR, line.flow.controlRTS);
}

void ComDevice::State::SetModemLines(TDTRFlowControl dtr, TRTSFlowControl rts) {
    // Only a change touches the lines, so that a speed change is one call on the device.
    if (modemLinesApplied && dtr == appliedDTR && rts == appliedRTS)
        return;
    int on = 0;
    int off = 0;
    (dtr == dtrDisable ? off : on) |= TIOCM_DTR;
    // With hardware handshake the driver drives RTS; raise it so that the peer may send.
    (rts == rtsDisable ? off : on) |= TIOCM_RTS;
    for (auto [request, bits] : {std::pair{TIOCMBIS, on}, std::pair{TIOCMBIC, off}})
        if (bits != 0 && ioctl(fd, request, &bits) != 0 && !Unsupported(errno))
            Fail(CError_SetStateFailed, errno);
    modemLinesApplied = true;
    appliedDTR = dtr;
    appliedRTS = rts;
}

void ComDevice::ApplyTimeouts(const ComTimeoutValues& timeouts) {
    timeouts_ = timeouts;
}

std::int32_t ComDevice::State::DropNulls(unsigned char* bytes, std::int32_t count) const {
    if (!discardNull)
        return count;
    return static_cast<std::int32_t>(std::remove(bytes, bytes + count, 0) - bytes);
}

std::int32_t ComDevice::Read(void* buffer, std::int32_t count) {
    State& s = *state_;
    if (count <= 0)
        return 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    const ComTimeoutValues& t = timeouts_;
    const bool hasTotal = t.readTotalMultiplier != 0 || t.readTotalConstant != 0;
    const bool returnAtOnce = t.readInterval == 0xFFFFFFFF && !hasTotal;
    const Clock::time_point start = Clock::now();
    const Clock::time_point totalDeadline =
        After(start,
              std::uint64_t{t.readTotalMultiplier} * static_cast<std::uint64_t>(count) + t.readTotalConstant);
    Clock::time_point lastByte{};
    std::int32_t got = 0;
    short polled = 0; // what the last wait reported; 0 before the first

    for (;;) {
        const ssize_t n = read(s.fd, bytes + got, static_cast<size_t>(count - got));
        if (n > 0) {
            got += s.DropNulls(bytes + got, static_cast<std::int32_t>(n));
            lastByte = Clock::now();
            polled = 0;
            if (got == count)
                return got;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            s.Fail(CError_ReadFailed, errno);
        // Reported readable or hung up, yet there is nothing to read: the device is gone (an unplugged
        // adapter). Waiting again would only get the same report at once, forever.
        if ((n == 0 && polled != 0) || (polled & (POLLHUP | POLLERR)) != 0)
            s.Fail(CError_ReadFailed, EIO);
        if (returnAtOnce)
            return got;

        Clock::time_point deadline = Clock::time_point::max();
        if (hasTotal)
            deadline = totalDeadline;
        if (got > 0 && t.readInterval != 0)
            deadline = std::min(deadline, After(lastByte, t.readInterval));
        const bool limited = deadline != Clock::time_point::max();
        if (limited && Clock::now() >= deadline)
            return got;
        polled = WaitFor(s.fd, POLLIN, limited ? &deadline : nullptr);
        if ((polled & POLLNVAL) != 0)
            s.Fail(CError_ReadFailed, EBADF);
    }
}

std::int32_t ComDevice::Write(const void* buffer, std::int32_t count) {
    State& s = *state_;
    if (count <= 0)
        return 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const ComTimeoutValues& t = timeouts_;
    const bool hasTotal = t.writeTotalMultiplier != 0 || t.writeTotalConstant != 0;
    const Clock::time_point deadline =
        After(Clock::now(), std::uint64_t{t.writeTotalMultiplier} * static_cast<std::uint64_t>(count) +
                                t.writeTotalConstant);
    const Clock::time_point* limit = hasTotal ? &deadline : nullptr;
    std::int32_t written = 0;

    while (written < count) {
        const ssize_t n = write(s.fd, bytes + written, static_cast<size_t>(count - written));
        if (n > 0) {
            written += static_cast<std::int32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            s.Fail(CError_WriteFailed, errno);
        const short events = WaitFor(s.fd, POLLOUT, limit);
        if (events == 0)
            return written;
        if ((events & POLLOUT) == 0)
            s.Fail(CError_WriteFailed, (events & POLLNVAL) != 0 ? EBADF : EIO);
    }

    // Wait until the bytes have left the line, so that a speed change that follows can't garble them.
    // Each pause lasts about as long as the queued bytes take to send (ten bits each), but no longer
    // than a millisecond: adapters with deep buffers often empty them faster than the line would.
    const auto byteTime = std::chrono::microseconds(10'000'000 / std::max(s.bitsPerSecond, 1));
    for (;;) {
        const int queued = QueuedForSending(s.fd);
        if (queued < 0)
            break;
        if (queued <= 0 && s.TransmitterEmpty())
            break;
        const auto now = Clock::now();
        if (limit && now >= deadline)
            break;
        Clock::duration pause =
            std::min<Clock::duration>(byteTime * std::max(queued, 1), std::chrono::milliseconds(1));
        if (limit)
            pause = std::min<Clock::duration>(pause, deadline - now);
        std::this_thread::sleep_for(pause);
    }
    return written;
}

void ComDevice::Purge(bool input, bool output) {
    State& s = *state_;
    // Nothing left to discard once the device counts every written byte as sent. A pseudo-terminal
    // counts them so at once, yet flushing its output drops what the kernel has not yet handed to the
    // far end, and a loaded machine can take seconds to hand it over: a request sent before a retry's
    // purge would be lost although it was sent.
    if (output && QueuedForSending(s.fd) == 0)
        output = false;
    if (!input && !output)
        return;
    const int queues = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    if (tcflush(s.fd, queues) != 0)
        s.Fail(CError_PurgeFailed, errno);
}

std::int32_t ComDevice::InputCount() {
    int queued = 0;
    if (ioctl(state_->fd, FIONREAD, &queued) != 0)
        state_->Fail(CError_ClearComFailed, errno);
    return queued;
}

ComModemLines ComDevice::ModemLines() {
    int lines = 0;
    if (ioctl(state_->fd, TIOCMGET, &lines) != 0) {
        if (Unsupported(errno))
            return {};
        state_->Fail(CError_ModemStatFailed, errno);
    }
    return {(lines & TIOCM_CTS) != 0, (lines & TIOCM_DSR) != 0, (lines & TIOCM_CD) != 0};
}

void ComDevice::ServeEvents(TComEvents) {
    // A port without handlers has no event worth waiting for on a terminal: the wait is for the stop alone.
    State& s = *state_;
    std::unique_lock lock(s.eventsMutex);
    s.eventsStop.wait(lock, [&s] { return s.eventsStopped; });
}

void ComDevice::StopEvents() {
    State& s = *state_;
    {
        std::lock_guard lock(s.eventsMutex);
        s.eventsStopped = true;
    }
    s.eventsStop.notify_all();
}
