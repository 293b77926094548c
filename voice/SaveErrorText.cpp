#include "SaveErrorText.h"

#include "SafeFile.h"

#include <cerrno>

std::string SaveErrorText(const std::error_code& reason) {
    if (reason == make_error_code(FileSaveError::NotRegularFile))
        return "на месте файла устройство или канал, а не обычный файл";
    if (reason.category() != std::generic_category() && reason.category() != std::system_category())
        return reason.message();
    switch (reason.value()) {
    case ENOSPC:
    case EFBIG:
        return "на диске нет места";
#ifdef EDQUOT // not on Windows
    case EDQUOT:
        return "исчерпана дисковая квота";
#endif
    case EACCES:
    case EPERM:
        return "нет прав на запись";
    case EROFS:
        return "диск доступен только для чтения";
    case ENOENT:
    case ENOTDIR:
        return "папка не существует";
    case EISDIR:
        return "на месте файла папка";
    case EBUSY:
        return "файл открыт другой программой";
    case ELOOP:
        return "ссылка указывает сама на себя";
    case EIO:
        return "ошибка ввода-вывода, диск неисправен или отключён";
    default:
        return "ошибка " + std::to_string(reason.value()) + " (" + reason.message() + ")";
    }
}
