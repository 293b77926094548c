// The serial ports present, from sysfs, without opening any of them.

#include "EnumComPorts_lin.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

#include "PortName_lin.h"

namespace {

// Serial-core ports report the UART they found in "type"; 0 means none is there, which is how
// the kernel leaves the ttyS ports that a PC does not have.
bool UartAbsent(const std::filesystem::path& tty) {
    std::ifstream file(tty / "type");
    int type = -1;
    return file >> type && type == 0;
}

bool IsSerialPort(const std::filesystem::path& tty, const std::string& name) {
    std::error_code error;
    // Virtual terminals, the console and pseudo-terminals have no hardware device behind them.
    if (!std::filesystem::exists(tty / "device", error))
        return false;
    if (name.rfind("ttyS", 0) == 0 && !std::filesystem::exists(tty / "type", error))
        return false;
    return !UartAbsent(tty);
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::toupper(x) < std::toupper(y); });
}

} // namespace

void EnumComPorts(std::vector<std::string>& list, const std::filesystem::path& sysClassTty) {
    std::vector<std::string> found;
    std::error_code error;
    std::filesystem::directory_iterator entries(sysClassTty, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (IsSerialPort(entries->path(), name))
            found.push_back(PortNameOf(name));
    }
    if (error)
        throw EComPort(CError_RegError, error.value());
    std::stable_sort(found.begin(), found.end(), LessIgnoringCase);
    list = std::move(found);
}

void EnumComPorts(std::vector<std::string>& list) {
    EnumComPorts(list, "/sys/class/tty");
}
