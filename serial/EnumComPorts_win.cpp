// The serial ports present, as the system lists them in the registry.

#include "CPort.h"

#include <algorithm>
#include <cctype>
#include <windows.h>

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

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    narrow.pop_back(); // the terminating zero
    return narrow;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::toupper(x) < std::toupper(y); });
}

} // namespace

void EnumComPorts(std::vector<std::string>& list) {
    RegistryKey key;
    LSTATUS status =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, key.Receive());
    if (status != ERROR_SUCCESS)
        throw EComPort(CError_RegError, status);
    std::vector<std::string> found;
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
        if (type == REG_SZ)
            found.push_back(Utf8(data));
    }
    std::stable_sort(found.begin(), found.end(), LessIgnoringCase);
    list = std::move(found);
}
