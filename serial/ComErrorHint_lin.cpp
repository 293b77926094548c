#include "ComErrorHint_lin.h"

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <vector>

namespace {

// The group that owns the device (dialout on most systems), which the user must join.
std::string DeviceGroup(const std::string& devicePath) {
    struct stat info {};
    if (stat(devicePath.c_str(), &info) == 0 && info.st_gid != 0) {
        std::vector<char> buffer(16384);
        group entry{};
        group* found = nullptr;
        if (getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
            return found->gr_name;
    }
    return "dialout";
}

} // namespace

std::string ComErrorHint(int error, const std::string& devicePath) {
    switch (error) {
    case EACCES:
    case EPERM: {
        const std::string group = DeviceGroup(devicePath);
        return "Нет доступа к " + devicePath + ". Добавьте пользователя в группу " + group +
               " (sudo usermod -aG " + group + " $USER) и войдите в систему заново.";
    }
    case EBUSY:
        return "Порт " + devicePath +
               " занят другой программой (например, ModemManager). Закройте её и повторите попытку.";
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "Устройство " + devicePath + " не найдено. Проверьте, что адаптер подключён к компьютеру.";
    case EIO:
        return "Связь с устройством " + devicePath +
               " прервана. Проверьте, что адаптер подключён к компьютеру.";
    default:
        return {};
    }
}
