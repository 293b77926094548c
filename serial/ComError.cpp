#include "CPort.h"

#include "voice/ErrorName.h"

#include <iterator>
#include <string>
#include <system_error>

namespace {

// What failed, in the user's language; the port's name follows where there is one.
const char* TextOf(std::int32_t errorCode) {
    static const char* const texts[] = {
        "Не удалось открыть порт",
        "Ошибка записи в порт",
        "Ошибка чтения из порта",
        "Неверный параметр асинхронной операции порта",
        "Не удалось очистить буферы порта",
        "Не удалось получить состояние асинхронной операции порта",
        "Не удалось установить параметры линии порта",
        "Не удалось установить тайм-ауты порта",
        "Не удалось установить размеры буферов порта",
        "Не удалось получить состояние порта",
        "Не удалось прочитать состояние линий модема порта",
        "Не удалось переключить линию модема порта",
        "Не удалось передать символ в порт",
        "Это свойство нельзя изменить, пока порт открыт",
        "Не удалось получить список портов",
        "Не удалось сохранить настройки порта",
        "Не удалось загрузить настройки порта",
        "Не удалось связать компонент с портом",
        "Нельзя изменить состояние индикатора, пока выбран порт",
        "Нельзя ждать событие порта, пока работает поток событий",
        "Ошибка ожидания события порта",
        "К событию приёма данных уже подключён компонент",
        "Не удалось прочитать список последовательных портов системы",
    };
    if (errorCode < 1 || errorCode > static_cast<std::int32_t>(std::size(texts)))
        return "Неизвестная ошибка порта";
    return texts[errorCode - 1];
}

} // namespace

EComPort::EComPort(std::int32_t errorCode, std::int32_t osErrorCode, const std::string& hint,
                   const std::string& port)
    : errorCode_(errorCode), osErrorCode_(osErrorCode), message_(TextOf(errorCode)) {
    if (!port.empty())
        message_ += " " + port;
    if (osErrorCode_ != -1)
        message_ += " [" + ErrorName(std::error_code(osErrorCode_, std::system_category())) + "]";
    if (!hint.empty())
        message_ += "\n" + hint;
}
