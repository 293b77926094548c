#pragma once

// A pseudo-terminal as a serial line for tests: the code under test opens SlavePath() as its port,
// the test plays the far end on the master side and sees the slave's line settings from there. A
// descriptor of the slave stays open for the pseudo-terminal's whole life, so that the master never
// reports a hang-up while the code under test has the port closed, and the line keeps what was sent
// to it meanwhile.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <termios.h>
#include <vector>

// Bits per second of a termios speed constant; 0 for B0 and for constants not listed.
std::int32_t SpeedOf(speed_t speed);

class PseudoTerminal {
public:
    using Milliseconds = std::chrono::milliseconds;

    PseudoTerminal(); // throws std::system_error when no pseudo-terminal can be had
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }

    // The slave's line settings as its opener left them.
    termios SlaveTermios() const;
    // The slave's output speed in bits per second (0 when it is not a standard speed).
    std::int32_t SlaveSpeed() const;
    // No echo, no canonical input, no signals, no CR/LF translation, no output processing, 8 bits.
    bool SlaveIsRaw() const;
    // Waits until the slave is in raw mode, so that bytes written now are not echoed back.
    bool WaitForRawSlave(Milliseconds timeout = Milliseconds(2000)) const;

    // Writes all bytes to the far end of the line; false when the time-out ended it first.
    bool Write(const void* data, std::size_t count, Milliseconds timeout = Milliseconds(2000));
    bool Write(const std::vector<std::uint8_t>& data, Milliseconds timeout = Milliseconds(2000));
    // Reads until count bytes have come or the time-out has passed; returns what came.
    std::vector<std::uint8_t> Read(std::size_t count, Milliseconds timeout = Milliseconds(2000));

    // Closes the line: every opener of the slave sees a hang-up, as when a USB adapter is unplugged.
    void HangUp();

private:
    int master_ = -1;
    int slaveHolder_ = -1;
    std::string slavePath_;
};
