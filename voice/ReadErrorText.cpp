#include "ReadErrorText.h"

#include "ByteSource.h"
#include "SafeFile.h"

#include <cerrno>
#include <cstdio>

std::error_code WhyUnreadable(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return std::make_error_code(std::errc::no_such_file_or_directory);
    if (error) // the system's code as the portable one where there is one (Windows' codes are its own)
        return error.default_error_condition().category() == std::generic_category()
                   ? std::error_code(error.default_error_condition().value(), std::generic_category())
                   : error;
    if (std::filesystem::is_directory(status))
        return std::make_error_code(std::errc::is_a_directory);
    if (!std::filesystem::is_regular_file(status))
        return make_error_code(FileSaveError::NotRegularFile);
    errno = 0;
    std::FILE* file = OpenRegularFile(path);
    if (file == nullptr)
        return {errno != 0 ? errno : EIO, std::generic_category()};
    std::fclose(file);
    return {};
}

std::string ReadErrorText(const std::error_code& reason) {
    if (reason == make_error_code(FileSaveError::NotRegularFile))
        return "это устройство или канал, а не обычный файл";
    if (reason == std::errc::no_such_file_or_directory || reason == std::errc::not_a_directory)
        return "файл не найден";
    if (reason == std::errc::permission_denied || reason == std::errc::operation_not_permitted)
        return "нет прав на чтение";
    if (reason == std::errc::is_a_directory)
        return "это папка, а не файл";
    if (reason == std::errc::too_many_symbolic_link_levels)
        return "ссылка указывает сама на себя";
    if (reason == std::errc::io_error)
        return "ошибка ввода-вывода, диск неисправен или отключён";
    return reason.message();
}
