#include "PortName_lin.h"

#include "ComPortDevice.h"

#include <algorithm>
#include <cctype>

namespace {

bool AllDigits(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

} // namespace

std::string DevicePathOf(const std::string& portName) {
    if (portName.find('/') != std::string::npos)
        return portName;
    // Port names are case-insensitive, as the settings file may have stored "com2".
    const std::string prefix = portName.substr(0, 3);
    const bool com = prefix.size() == 3 && std::toupper(static_cast<unsigned char>(prefix[0])) == 'C' &&
                     std::toupper(static_cast<unsigned char>(prefix[1])) == 'O' &&
                     std::toupper(static_cast<unsigned char>(prefix[2])) == 'M';
    if (com && AllDigits(portName.substr(3)) && portName[3] != '0')
        return "/dev/ttyS" + std::to_string(std::stol(portName.substr(3)) - 1);
    return "/dev/" + portName;
}

std::string PortNameOf(const std::string& ttyName) {
    // Only numbers that DevicePathOf turns back into the same device: no leading zero, and one more
    // still within its digits.
    const std::string number = ttyName.substr(std::min<std::size_t>(ttyName.size(), 4));
    if (ttyName.rfind("ttyS", 0) == 0 && AllDigits(number) && number.size() < 9 &&
        (number == "0" || number[0] != '0'))
        return "COM" + std::to_string(std::stol(number) + 1);
    return ttyName;
}

std::string ComPortDevice(const std::string& portName) {
    return DevicePathOf(portName);
}
