// The serial ports present, as the system lists them in the registry.

#include "CPort.h"

#include <algorithm>
#include <cctype>
#include <windows.h>

#include "voice/Utf16.h"

namespace {

class RegistryKey {
public:
    ~RegistryKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    HKEY* Receive() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::toupper(x) < std::toupper(y); });
}

} // namespace

// Each value's data is a port's name; the value's own name is the driver's device: "\Device\Serial0" for a
// built-in UART, "\Device\VCP0", "\Device\Silabser0", "\Device\USBSER000" and the like for adapters. The
// registry says no more about the product, so an adapter is described by its driver's device.
void EnumComPortInfo(std::vector<ComPortInfo>& list) {
    RegistryKey key;
    LSTATUS status =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, key.Receive());
    if (status != ERROR_SUCCESS)
        throw EComPort(CError_RegError, status);
    std::vector<ComPortInfo> found;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameSize = 256;
        wchar_t data[128] = {};                          // 256 bytes
        DWORD dataSize = sizeof(data) - sizeof(wchar_t); // room for a terminating zero the data may lack
        DWORD type = 0;
        status = RegEnumValueW(key.Get(), index, name, &nameSize, nullptr, &type,
                               reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            throw EComPort(CError_RegError, status);
        if (type != REG_SZ)
            continue;
        const std::string driverDevice = Utf8(name);
        const bool builtIn = driverDevice.rfind("\\Device\\Serial", 0) == 0;
        found.push_back({Utf8(data), builtIn ? "встроенный порт" : driverDevice, !builtIn});
    }
    std::stable_sort(found.begin(), found.end(), [](const ComPortInfo& a, const ComPortInfo& b) {
        return a.usb != b.usb ? a.usb : LessIgnoringCase(a.name, b.name);
    });
    list = std::move(found);
}

void EnumComPorts(std::vector<std::string>& list) {
    std::vector<ComPortInfo> ports;
    EnumComPortInfo(ports);
    std::vector<std::string> names;
    for (ComPortInfo& port : ports)
        names.push_back(std::move(port.name));
    std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
    list = std::move(names);
}
