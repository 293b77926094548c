#include "CommandLine.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "voice/Voicebank.h"

const char* const kUsage = R"(Использование:
  voice-programmer-cli ports                              последовательные порты
  voice-programmer-cli info BANK.vce                      события, длительности, занято и свободно
  voice-programmer-cli import BANK.vce EVENT AUDIO [--no-normalise]
                                                          загрузить запись в событие (создаёт BANK)
  voice-programmer-cli delete BANK.vce EVENT              удалить запись события
  voice-programmer-cli identify --port P                  версия контроллера
  voice-programmer-cli program BANK.vce --port P [--port P2 ...] [--no-verify] [--used-only]
  voice-programmer-cli read BANK.vce --port P [--used-only]
  voice-programmer-cli compare BANK.vce --port P [--port P2 ...] [--used-only]

Параметры:
  --port P      порт: COM1..COM8, ttyUSB0, путь к устройству; можно несколько
  --no-verify   не проверять записанное чтением
  --used-only   передавать только занятую память
  --no-normalise  не выравнивать громкость преобразуемой записи
  --json        результат одним документом JSON
  --help        эта справка
  --version     версия программы

EVENT: номер события от 0 до 42 (см. info).
Коды завершения: 0 успешно, 1 ошибка, 2 неверный вызов, 3 данные отличаются.
)";

namespace {

struct CommandRule {
    const char* name;
    std::size_t arguments;
    bool ports; // needs at least one --port
    bool manyPorts;
    bool noVerify;
    bool usedOnly;
    bool normalise;
};

constexpr std::array<CommandRule, 8> kCommands{{
    {"ports", 0, false, false, false, false, false},
    {"info", 1, false, false, false, false, false},
    {"import", 3, false, false, false, false, true},
    {"delete", 2, false, false, false, false, false},
    {"identify", 0, true, true, false, false, false},
    {"program", 1, true, true, true, true, false},
    {"read", 1, true, false, false, true, false},
    {"compare", 1, true, true, false, true, false},
}};

void AddPort(CommandLine& line, const std::string& port) {
    if (port.empty())
        throw UsageError("не указан порт после --port");
    if (std::find(line.ports.begin(), line.ports.end(), port) != line.ports.end())
        throw UsageError("порт " + port + " указан дважды");
    line.ports.push_back(port);
}

// Options may stand anywhere after the program's name; "--" ends them.
void TakeOption(CommandLine& line, const std::vector<std::string>& arguments, std::size_t& i) {
    const std::string& option = arguments[i];
    if (option == "--port" || option == "-p") {
        if (i + 1 >= arguments.size())
            throw UsageError("не указан порт после " + option);
        AddPort(line, arguments[++i]);
    } else if (option.rfind("--port=", 0) == 0) {
        AddPort(line, option.substr(7));
    } else if (option == "--json") {
        line.json = true;
    } else if (option == "--no-verify") {
        line.noVerify = true;
    } else if (option == "--used-only") {
        line.usedOnly = true;
    } else if (option == "--no-normalise") {
        line.noNormalise = true;
    } else if (option == "--help" || option == "-h") {
        line.help = true;
    } else if (option == "--version") {
        line.version = true;
    } else {
        throw UsageError("неизвестный параметр " + option);
    }
}

void Check(const CommandLine& line, const CommandRule& rule) {
    if (line.arguments.size() < rule.arguments)
        throw UsageError("команде " + line.command + " не хватает аргументов");
    if (line.arguments.size() > rule.arguments)
        throw UsageError("лишний аргумент " + line.arguments[rule.arguments]);
    if (rule.ports && line.ports.empty())
        throw UsageError("команде " + line.command + " нужен --port");
    if (!rule.ports && !line.ports.empty())
        throw UsageError("команда " + line.command + " не работает с портом");
    if (!rule.manyPorts && line.ports.size() > 1)
        throw UsageError("команде " + line.command + " нужен ровно один --port");
    if (line.noVerify && !rule.noVerify)
        throw UsageError("--no-verify не применим к команде " + line.command);
    if (line.usedOnly && !rule.usedOnly)
        throw UsageError("--used-only не применим к команде " + line.command);
    if (line.noNormalise && !rule.normalise)
        throw UsageError("--no-normalise не применим к команде " + line.command);
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (!optionsEnded && argument.size() > 1 && argument[0] == '-')
            TakeOption(line, arguments, i);
        else
            words.push_back(argument);
    }
    if (line.help || line.version)
        return line;
    if (words.empty())
        throw UsageError("не указана команда");
    line.command = words.front();
    line.arguments.assign(words.begin() + 1, words.end());
    const auto rule = std::find_if(kCommands.begin(), kCommands.end(),
                                   [&](const CommandRule& r) { return line.command == r.name; });
    if (rule == kCommands.end())
        throw UsageError("неизвестная команда " + line.command);
    Check(line, *rule);
    return line;
}

int ParseEvent(const std::string& text) {
    int event = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), event);
    if (error != std::errc() || end != text.data() + text.size() || event < 0 || event >= kEventSlotCount)
        throw UsageError("номер события должен быть от 0 до " + std::to_string(kEventSlotCount - 1) + ": " +
                         text);
    return event;
}
