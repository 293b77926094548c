// One exchange as the controller protocol makes it at 115200 baud: write a 246-byte block frame, read
// the 7-byte acknowledgement that a peer thread sends back over a pseudo-terminal. Prints the median
// and the 99th percentile of the exchange through the port, and, for scale, of the same exchange
// made with bare blocking system calls on the same kind of pseudo-terminal.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "PseudoTerminal.h"
#include "controller/ControllerLine.h"
#include "serial/CPort.h"

namespace {

constexpr int exchanges = 2000;
constexpr int warmUp = 100;
constexpr std::int32_t frameSize = 246;
constexpr std::int32_t answerSize = 7;

struct Figures {
    double median = 0;
    double p99 = 0;
};

// The peer answers every frame as fast as it can, so that the figures are the exchange's own cost.
void Answer(int masterFd, std::atomic<bool>& failed) {
    const std::uint8_t reply[answerSize] = {0x06, 0, 0, 0, 0, 0, 0};
    std::uint8_t frame[frameSize];
    for (int i = 0; i < warmUp + exchanges && !failed; ++i) {
        std::int32_t got = 0;
        while (got < frameSize) {
            pollfd p{masterFd, POLLIN, 0};
            if (poll(&p, 1, 1000) != 1) {
                failed = true;
                return;
            }
            const ssize_t n = read(masterFd, frame + got, frameSize - got);
            if (n > 0)
                got += static_cast<std::int32_t>(n);
        }
        if (write(masterFd, reply, answerSize) != answerSize)
            failed = true;
    }
}

bool Measure(PseudoTerminal& pty, const std::function<bool()>& exchange, Figures& figures) {
    std::atomic<bool> failed = false;
    std::thread peer(Answer, pty.MasterFd(), std::ref(failed));
    std::vector<double> micros;
    micros.reserve(exchanges);
    for (int i = 0; i < warmUp + exchanges && !failed; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = exchange();
        const auto end = std::chrono::steady_clock::now();
        failed = failed || !ok;
        if (i >= warmUp)
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    peer.join();
    if (failed)
        return false;
    std::sort(micros.begin(), micros.end());
    figures = {micros[micros.size() / 2], micros[micros.size() * 99 / 100]};
    return true;
}

bool MeasurePort(Figures& figures) {
    PseudoTerminal pty;
    TComPort port;
    SetUpControllerLine(port);
    port.SetPort(pty.SlavePath());
    port.SetBaudRate(br115200);
    port.Open();
    pty.WaitForRawSlave();
    const std::vector<std::uint8_t> frame(frameSize, 0x12);
    std::uint8_t answer[answerSize];
    return Measure(
        pty,
        [&] {
            return port.Write(frame.data(), frameSize) == frameSize &&
                   port.Read(answer, answerSize) == answerSize;
        },
        figures);
}

bool MeasureBareCalls(Figures& figures) {
    PseudoTerminal pty;
    const int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (fd < 0 || tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    const std::vector<std::uint8_t> frame(frameSize, 0x12);
    std::uint8_t answer[answerSize];
    const bool ok = Measure(
        pty,
        [&] {
            if (write(fd, frame.data(), frameSize) != frameSize)
                return false;
            for (std::int32_t got = 0; got < answerSize;) {
                const ssize_t n = read(fd, answer + got, answerSize - got);
                if (n <= 0)
                    return false;
                got += static_cast<std::int32_t>(n);
            }
            return true;
        },
        figures);
    close(fd);
    return ok;
}

} // namespace

int main() {
    Figures port;
    Figures bare;
    if (!MeasurePort(port) || !MeasureBareCalls(bare)) {
        std::fprintf(stderr, "an exchange failed\n");
        return 1;
    }
    std::printf("serial exchange: 246-byte write + 7-byte answer, %d exchanges on a pseudo-terminal\n",
                exchanges);
    std::printf("  through the port:      median %7.1f us, p99 %8.1f us\n", port.median, port.p99);
    std::printf("  bare blocking calls:   median %7.1f us, p99 %8.1f us\n", bare.median, bare.p99);
    std::printf("  2,249 exchanges (one transfer) through the port: %.3f s beyond the time on the line\n",
                port.median * 2249 / 1e6);
    return 0;
}
