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

std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// A USB adapter names itself on the USB device a few levels above its tty's device; other ports are
// known by their driver ("serial", "serial8250"), not by the serial core's own port drivers.
std::string DescriptionOf(const std::filesystem::path& tty) {
    std::error_code error;
    std::filesystem::path at = std::filesystem::canonical(tty / "device", error);
    if (error)
        return {};
    std::string driver;
    for (int level = 0; level < 4 && at.has_relative_path(); ++level, at = at.parent_path()) {
        const std::string product = FirstLine(at / "product");
        if (!product.empty()) {
            const std::string maker = FirstLine(at / "manufacturer");
            return maker.empty() ? product : maker + " " + product;
        }
        const std::filesystem::path bound = std::filesystem::canonical(at / "driver", error);
        if (!error && driver.empty() && bound.parent_path().parent_path().filename() != "serial-base")
            driver = bound.filename().string();
    }
    return driver;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::toupper(x) < std::toupper(y); });
}

} // namespace

std::vector<ComPortEntry> ListComPorts(const std::filesystem::path& sysClassTty) {
    std::vector<ComPortEntry> found;
    std::error_code error;
    std::filesystem::directory_iterator entries(sysClassTty, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (IsSerialPort(entries->path(), name)) {
            const std::string portName = PortNameOf(name);
            found.push_back({portName, DevicePathOf(portName), DescriptionOf(entries->path())});
        }
    }
    if (error)
        throw EComPort(CError_RegError, error.value());
    std::stable_sort(found.begin(), found.end(), [](const ComPortEntry& a, const ComPortEntry& b) {
        return LessIgnoringCase(a.name, b.name);
    });
    return found;
}

std::vector<ComPortEntry> ListComPorts() {
    return ListComPorts("/sys/class/tty");
}

void EnumComPorts(std::vector<std::string>& list, const std::filesystem::path& sysClassTty) {
    std::vector<std::string> names;
    for (ComPortEntry& entry : ListComPorts(sysClassTty))
        names.push_back(std::move(entry.name));
    list = std::move(names);
}

void EnumComPorts(std::vector<std::string>& list) {
    EnumComPorts(list, "/sys/class/tty");
}
