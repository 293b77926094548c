#include "emulator/LineSettings.h"

#include <array>
#include <utility>

#include "PseudoTerminal.h"

namespace emulator {
namespace {

constexpr tcflag_t kCookedInput = IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL;
constexpr tcflag_t kCookedLocal = ICANON | ECHO | ECHONL | ISIG | IEXTEN;

struct FlagName {
    tcflag_t flag;
    const char* name;
};
constexpr std::array<FlagName, 7> kInputNames{{{IGNBRK, "IGNBRK"},
                                               {BRKINT, "BRKINT"},
                                               {PARMRK, "PARMRK"},
                                               {ISTRIP, "ISTRIP"},
                                               {INLCR, "INLCR"},
                                               {IGNCR, "IGNCR"},
                                               {ICRNL, "ICRNL"}}};
constexpr std::array<FlagName, 5> kLocalNames{
    {{ICANON, "ICANON"}, {ECHO, "ECHO"}, {ECHONL, "ECHONL"}, {ISIG, "ISIG"}, {IEXTEN, "IEXTEN"}}};

int DataBits(const termios& settings) {
    switch (settings.c_cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

std::string CookedFlags(const termios& settings) {
    std::string names;
    for (const FlagName& f : kInputNames) {
        if (settings.c_iflag & f.flag) {
            names += std::string(" ") + f.name;
        }
    }
    if (settings.c_oflag & OPOST) {
        names += " OPOST";
    }
    for (const FlagName& f : kLocalNames) {
        if (settings.c_lflag & f.flag) {
            names += std::string(" ") + f.name;
        }
    }
    return names;
}

} // namespace

int LineSpeed(const termios& settings) {
    return SpeedOf(cfgetospeed(&settings));
}

unsigned LineFaults(const termios& settings, int expectedSpeed) {
    unsigned faults = 0;
    if (LineSpeed(settings) != expectedSpeed) {
        faults |= kWrongSpeed;
    }
    const speed_t input = cfgetispeed(&settings);
    if (input != B0 && input != cfgetospeed(&settings)) {
        faults |= kSplitSpeed;
    }
    if ((settings.c_cflag & CSIZE) != CS8) {
        faults |= kDataBits;
    }
    if (settings.c_cflag & PARENB) {
        faults |= kParity;
    }
    if (settings.c_cflag & CSTOPB) {
        faults |= kStopBits;
    }
    if (settings.c_cflag & CRTSCTS) {
        faults |= kHardwareFlow;
    }
    if (settings.c_iflag & (IXON | IXOFF)) {
        faults |= kSoftwareFlow;
    }
    if ((settings.c_iflag & kCookedInput) || (settings.c_oflag & OPOST) ||
        (settings.c_lflag & kCookedLocal)) {
        faults |= kNotRaw;
    }
    return faults;
}

std::vector<std::string> DescribeLineFaults(unsigned faults, const termios& settings, int expectedSpeed,
                                            std::string_view request) {
    std::vector<std::string> texts;
    const std::string prefix = std::string(request) + ": ";
    if (faults & kWrongSpeed) {
        texts.push_back(prefix + "line at " + std::to_string(LineSpeed(settings)) + " baud, expected " +
                        std::to_string(expectedSpeed));
    }
    if (faults & kSplitSpeed) {
        texts.push_back(prefix + "input speed " + std::to_string(SpeedOf(cfgetispeed(&settings))) +
                        " differs from output speed");
    }
    if (faults & kDataBits) {
        texts.push_back(prefix + std::to_string(DataBits(settings)) + " data bits, expected 8");
    }
    if (faults & kParity) {
        texts.push_back(prefix + "parity enabled");
    }
    if (faults & kStopBits) {
        texts.push_back(prefix + "two stop bits");
    }
    if (faults & kHardwareFlow) {
        texts.push_back(prefix + "hardware flow control (CRTSCTS)");
    }
    if (faults & kSoftwareFlow) {
        texts.push_back(prefix + "software flow control (IXON/IXOFF)");
    }
    if (faults & kNotRaw) {
        texts.push_back(prefix + "line not raw:" + CookedFlags(settings));
    }
    return texts;
}

} // namespace emulator
