#include "SaveErrorText.h"

#include "SafeFile.h"

#include <cerrno>
#include <utility>

std::string ErrorName(const std::error_code& reason) {
#ifdef _WIN32
    const bool errnoValue = reason.category() == std::generic_category(); // the system's are Win32 codes
#else
    const bool errnoValue =
        reason.category() == std::generic_category() || reason.category() == std::system_category();
#endif
    if (!errnoValue)
        return reason.category() == std::system_category() ? std::to_string(reason.value()) : std::string();
    static const std::pair<int, const char*> names[] = {
        {ENOENT, "ENOENT"},
        {ENOTDIR, "ENOTDIR"},
        {EACCES, "EACCES"},
        {EPERM, "EPERM"},
        {EISDIR, "EISDIR"},
        {EROFS, "EROFS"},
        {ENOSPC, "ENOSPC"},
        {EFBIG, "EFBIG"},
        {EBUSY, "EBUSY"},
        {ELOOP, "ELOOP"},
        {EIO, "EIO"},
        {EMFILE, "EMFILE"},
        {ENAMETOOLONG, "ENAMETOOLONG"},
#ifdef EDQUOT // not on Windows
        {EDQUOT, "EDQUOT"},
#endif
    };
    for (const auto& [number, name] : names)
        if (reason.value() == number)
            return name;
    return std::to_string(reason.value());
}

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
