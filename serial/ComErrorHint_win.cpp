#include "ComErrorHint_win.h"

#include "CPort.h"

#include <windows.h>

std::string ComErrorHint(unsigned long error, const std::string& portName) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return "Порт " + portName +
               " занят другой программой (например, терминалом или программой другого прибора). Закройте её "
               "и повторите попытку.";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "Порт " + portName +
               " не найден. Проверьте, что адаптер подключён к компьютеру, и выберите порт из списка.";
    default:
        if (ComDeviceGone(static_cast<std::int32_t>(error)))
            return "Связь с портом " + portName + " прервана. Проверьте, что адаптер подключён к компьютеру.";
        return {};
    }
}

bool ComDeviceGone(std::int32_t osErrorCode) {
    switch (static_cast<unsigned long>(osErrorCode)) {
    case ERROR_INVALID_HANDLE:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED:
        return true;
    default:
        return false;
    }
}

bool ComDeviceMissing(std::int32_t osErrorCode) {
    const auto error = static_cast<unsigned long>(osErrorCode);
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
