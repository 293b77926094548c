#include "FileErrorText.h"

#include "voice/SafeFile.h"

#include <cerrno>

QString FileErrorText(const std::error_code& reason) {
    if (reason == make_error_code(FileSaveError::NotRegularFile))
        return QStringLiteral("на месте файла устройство или канал, а не обычный файл");
    if (reason.category() != std::generic_category() && reason.category() != std::system_category())
        return QString::fromStdString(reason.message());
    switch (reason.value()) {
    case ENOSPC:
    case EFBIG:
        return QStringLiteral("на диске нет места");
    case EDQUOT:
        return QStringLiteral("исчерпана дисковая квота");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав на запись");
    case EROFS:
        return QStringLiteral("диск доступен только для чтения");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("папка не существует");
    case EISDIR:
        return QStringLiteral("на месте файла папка");
    case ELOOP:
        return QStringLiteral("ссылка указывает сама на себя");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода, диск неисправен или отключён");
    default:
        return QStringLiteral("ошибка %1 (%2)")
            .arg(reason.value())
            .arg(QString::fromStdString(reason.message()));
    }
}
