#include "CommandLine.h"

#include <algorithm>
#include <charconv>

#include "Commands.h"
#include "voice/Voicebank.h"

namespace {

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

void Check(const CommandLine& line, const Command& rule) {
    if (line.arguments.size() < rule.operands.size())
        throw UsageError("команде " + line.command + " не хватает аргументов");
    if (line.arguments.size() > rule.operands.size())
        throw UsageError("лишний аргумент " + line.arguments[rule.operands.size()]);
    if (rule.ports != PortUse::None && line.ports.empty())
        throw UsageError("команде " + line.command + " нужен --port");
    if (rule.ports == PortUse::None && !line.ports.empty())
        throw UsageError("команда " + line.command + " не работает с портом");
    if (rule.ports != PortUse::Many && line.ports.size() > 1)
        throw UsageError("команде " + line.command + " нужен ровно один --port");
    if (line.noVerify && !(rule.options & kNoVerify))
        throw UsageError("--no-verify не применим к команде " + line.command);
    if (line.usedOnly && !(rule.options & kUsedOnly))
        throw UsageError("--used-only не применим к команде " + line.command);
    if (line.noNormalise && !(rule.options & kNoNormalise))
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
    const Command* rule = FindCommand(line.command);
    if (!rule)
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
