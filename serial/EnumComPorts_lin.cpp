// The serial ports present, from sysfs, without opening any of them.

#include "EnumComPorts_lin.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
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
    std::ifstream stream(file);
    std::string line;
    std::getline(stream, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

// The USB device a port belongs to is the nearest folder above its device that has a vendor id:
// the interface (ACM) or the port below the interface (USB-serial drivers) lie beneath it.
std::optional<std::filesystem::path> UsbDeviceOf(const std::filesystem::path& tty) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::canonical(tty / "device", error);
    for (int level = 0; !error && level < 4 && folder.has_relative_path(); ++level) {
        if (std::filesystem::exists(folder / "idVendor", error))
            return folder;
        folder = folder.parent_path();
    }
    return std::nullopt;
}

ComPortInfo Describe(const std::filesystem::path& tty, std::string name) {
    const std::optional<std::filesystem::path> usb = UsbDeviceOf(tty);
    if (!usb)
        return {std::move(name), "встроенный порт", false};
    const std::string product = FirstLine(*usb / "product");
    const std::string maker = FirstLine(*usb / "manufacturer");
    std::string description = product.empty() ? "USB-адаптер" : product;
    if (!maker.empty())
        description += " (" + maker + ")";
    return {std::move(name), description, true};
}

// The link in byIdFolder that points at the device of this name; udev makes one per USB adapter.
std::string StableLinkOf(const std::filesystem::path& byIdFolder, const std::string& device) {
    std::error_code error;
    std::filesystem::directory_iterator links(byIdFolder, error);
    for (; !error && links != std::filesystem::directory_iterator(); links.increment(error)) {
        std::error_code unresolved;
        const std::filesystem::path target = std::filesystem::canonical(links->path(), unresolved);
        if (!unresolved && target.filename() == device)
            return links->path().string();
    }
    return {};
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::toupper(x) < std::toupper(y); });
}

} // namespace

void EnumComPortInfo(std::vector<ComPortInfo>& list, const std::filesystem::path& sysClassTty,
                     const std::filesystem::path& byIdFolder) {
    std::vector<ComPortInfo> found;
    std::error_code error;
    std::filesystem::directory_iterator entries(sysClassTty, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (!IsSerialPort(entries->path(), name))
            continue;
        found.push_back(Describe(entries->path(), PortNameOf(name)));
        if (found.back().usb)
            found.back().stableLink = StableLinkOf(byIdFolder, name);
    }
    if (error)
        throw EComPort(CError_RegError, error.value());
    std::stable_sort(found.begin(), found.end(), [](const ComPortInfo& a, const ComPortInfo& b) {
        return a.usb != b.usb ? a.usb : LessIgnoringCase(a.name, b.name);
    });
    list = std::move(found);
}

void EnumComPorts(std::vector<std::string>& list, const std::filesystem::path& sysClassTty) {
    std::vector<ComPortInfo> ports;
    EnumComPortInfo(ports, sysClassTty);
    std::vector<std::string> names;
    for (ComPortInfo& port : ports)
        names.push_back(std::move(port.name));
    std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
    list = std::move(names);
}

void EnumComPorts(std::vector<std::string>& list) {
    EnumComPorts(list, "/sys/class/tty");
}

void EnumComPortInfo(std::vector<ComPortInfo>& list) {
    EnumComPortInfo(list, "/sys/class/tty");
}
