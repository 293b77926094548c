#pragma once

// The Windows build's stand-in for the tests' pseudo-terminal (tests/support/pty): the same calls, served
// by a real pseudo-terminal of the line server on the Linux side; the code under test opens SlavePath(),
// a COM port that Wine maps to it. Only what tests that run on both platforms use.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "LineServerClient.h"

class PseudoTerminal {
public:
    using Milliseconds = std::chrono::milliseconds;

    PseudoTerminal();

    const std::string& SlavePath() const { return slavePath_; }
    std::int32_t SlaveSpeed();
    bool WaitForRawSlave(Milliseconds timeout = Milliseconds(2000));

    bool Write(const void* data, std::size_t count, Milliseconds timeout = Milliseconds(2000));
    bool Write(const std::vector<std::uint8_t>& data, Milliseconds timeout = Milliseconds(2000));
    std::vector<std::uint8_t> Read(std::size_t count, Milliseconds timeout = Milliseconds(2000));

    void HangUp();

private:
    LineServerClient server_;
    std::string slavePath_;
};
