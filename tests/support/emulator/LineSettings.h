#pragma once

#include <string>
#include <string_view>
#include <termios.h>
#include <vector>

namespace emulator {

// The line speed the termios shows: its output speed.
int LineSpeed(const termios& settings);

// What is wrong with a line that must run at expectedSpeed, 8 data bits, no parity, one stop bit, no
// flow control, raw. Checking allocates nothing; only describing the faults found does.
enum LineFault : unsigned {
    kWrongSpeed = 1u << 0,
    kSplitSpeed = 1u << 1, // an input speed of its own, different from the output speed
    kDataBits = 1u << 2,
    kParity = 1u << 3,
    kStopBits = 1u << 4,
    kHardwareFlow = 1u << 5,
    kSoftwareFlow = 1u << 6,
    kNotRaw = 1u << 7,
};
unsigned LineFaults(const termios& settings, int expectedSpeed);
std::vector<std::string> DescribeLineFaults(unsigned faults, const termios& settings, int expectedSpeed,
                                            std::string_view request);

} // namespace emulator
