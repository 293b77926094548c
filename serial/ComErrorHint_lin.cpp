#include "ComErrorHint_lin.h"

#include "CPort.h"
#include "WindowHolder_lin.h"

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
        if (WindowHoldsDevice(devicePath))
            return "Порт открыт окном «Программатор голосовых сообщений»: закройте его или выберите другой "
                   "порт";
        return "Порт " + devicePath +
               " занят другой программой (например, ModemManager). Закройте её и повторите попытку.";
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "Устройство " + devicePath + " не найдено. Проверьте, что адаптер подключён к компьютеру.";
    case ENOTTY:
        return devicePath + " — не последовательный порт. Выберите порт адаптера или контроллера "
                            "(например, /dev/ttyUSB0).";
    case EIO:
        return "Связь с устройством " + devicePath +
               " прервана. Проверьте, что адаптер подключён к компьютеру.";
    default:
        return {};
    }
}

bool ComDeviceGone(std::int32_t osErrorCode) {
    // A hang-up reaches the callers as EIO.
    return osErrorCode == EIO || osErrorCode == ENXIO || osErrorCode == ENODEV || osErrorCode == EBADF;
}

bool ComDeviceMissing(std::int32_t osErrorCode) {
    return osErrorCode == ENOENT || osErrorCode == ENODEV || osErrorCode == ENXIO;
}
