#include "Commands.h"

#include <algorithm>
#include <array>

#include "BankCommands.h"
#include "PortCommands.h"
#include "voice/Voicebank.h"

namespace {

constexpr std::array<Operand, 1> kBank{Operand::Bank};
constexpr std::array<Operand, 2> kBankEvent{Operand::Bank, Operand::Event};
constexpr std::array<Operand, 2> kBankFolder{Operand::Bank, Operand::Folder};
constexpr std::array<Operand, 3> kBankEventRecording{Operand::Bank, Operand::Event, Operand::Recording};

const std::array<Command, 11> kCommands{{
    {"ports",
     {},
     "",
     PortUse::None,
     0,
     "последовательные порты",
     "Последовательные порты системы: имя, устройство, описание.",
     RunPorts},
    {"info", kBank, "BANK.vce", PortUse::None, 0, "события, длительности, занято и свободно",
     "Каждое событие: номер 0\\-42, длительность, название; занято и свободно.", RunInfo},
    {"import", kBankEventRecording, "BANK.vce EVENT AUDIO [--no-normalise]", PortUse::None, kNoNormalise,
     "загрузить запись в событие (создаёт BANK)",
     "Загружает запись в событие с номером\n.IR EVENT .\nWAV в формате контроллера (PCM, 8000 Гц, 16 бит, "
     "моно) загружается как есть; запись другого формата\n(WAV, MP3, FLAC, OGG и другие) преобразуется, с "
     "выравниванием громкости по остальным фразам банка, если не указан\n.BR \\-\\-no\\-normalise .\nЕсли "
     "файла\n.I "
     "BANK\nнет, "
     "он создаётся. Сообщения те же, что в окне; урезанная запись \\(em предупреждение, не ошибка.",
     RunImport},
    {"delete", kBankEvent, "BANK.vce EVENT", PortUse::None, 0, "удалить запись события",
     "Удаляет запись события.", RunDelete},
    {"import-folder", kBankFolder, "BANK.vce DIR [--no-normalise]", PortUse::None, kNoNormalise,
     "загрузить фразы из папки (создаёт BANK)",
     "Загружает каждую запись папки в событие, номер которого стоит в начале имени файла (\\(lq03.wav\\(rq)\n"
     "или название которого совпадает с именем. Файлы, не подходящие ни к одному событию, называются.",
     RunImportFolder},
    {"export-folder", kBankFolder, "BANK.vce DIR", PortUse::None, 0, "сохранить все фразы в папку",
     "Сохраняет каждую фразу как WAV \\(lqNN Название события.wav\\(rq в папку\n.IR DIR .", RunExportFolder},
    {"level", kBank, "BANK.vce", PortUse::None, 0, "выровнять громкость всех фраз",
     "Приводит все фразы к одной громкости (медиана банка, не громче \\-18 LUFS) без перегрузки.", RunLevel},
    {"identify", {}, "--port P", PortUse::Many, 0, "версия контроллера", "Версия контроллера.", RunIdentify},
    {"program", kBank, "BANK.vce --port P [--port P2 ...] [--no-verify] [--used-only]", PortUse::Many,
     kNoVerify | kUsedOnly, "",
     "Программирует контроллер и проверяет записанное чтением (без проверки с\n.BR \\-\\-no\\-verify ).",
     RunTransfer},
    {"read", kBank, "BANK.vce --port P [--used-only]", PortUse::One, kUsedOnly, "",
     "Считывает сообщения контроллера в файл\n.IR BANK .", RunTransfer},
    {"compare", kBank, "BANK.vce --port P [--port P2 ...] [--used-only]", PortUse::Many, kUsedOnly, "",
     "Сравнивает сообщения контроллера с файлом и называет отличающиеся события.", RunTransfer},
}};

constexpr std::string_view kProgram = "voice-programmer-cli";
constexpr std::size_t kHelpColumn = 58;

constexpr std::string_view kOptionsHelp = R"(
Параметры:
  --port P      порт: COM1..COM8, ttyUSB0, путь к устройству; можно несколько
  --no-verify   не проверять записанное чтением
  --used-only   передавать только занятую память
  --no-normalise  не выравнивать громкость преобразуемой записи
  --json        результат одним документом JSON
  --help        эта справка
  --version     версия программы
)";

std::string Replace(std::string_view text, std::string_view placeholder, const std::string& with) {
    std::string out(text);
    if (const std::size_t at = out.find(placeholder); at != std::string::npos)
        out.replace(at, placeholder.size(), with);
    return out;
}

// "--no-verify" as roff sets it.
std::string Roff(std::string_view word) {
    std::string out;
    for (const char c : word) {
        if (c == '-')
            out += '\\';
        out += c;
    }
    return out;
}

// A usage line in the manual's synopsis: options bold, operands italic, brackets plain.
std::string SynopsisLine(const Command& command) {
    std::string out = ".B " + std::string(kProgram) + " " + std::string(command.name);
    std::string_view rest = command.usage;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(' '), rest.size());
        std::string_view word = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        const bool optional = word.front() == '[';
        if (optional)
            word.remove_prefix(1);
        std::string closing;
        while (!word.empty() && word.back() == ']') {
            closing += ']';
            word.remove_suffix(1);
        }
        const bool option = word.rfind("--", 0) == 0;
        if (word == "...")
            out += "\n.RI \" ..." + closing + "\"";
        else if (optional)
            out += "\n.RB [ " + Roff(word) + (closing.empty() ? "" : " " + closing);
        else
            out += std::string(option ? "\n.B" : "\n.I") + (closing.empty() ? " " : "R ") + Roff(word) +
                   (closing.empty() ? "" : " " + closing);
    }
    return out;
}

// An operand as the completion and the manual name it.
struct OperandNames {
    std::string_view completion;
    std::string_view manual;
};

OperandNames NamesOf(Operand operand) {
    static constexpr std::array<OperandNames, 4> kNames{
        {{"bank", "BANK"}, {"event", "EVENT"}, {"recording", "AUDIO"}, {"folder", "DIR"}}};
    return kNames.at(static_cast<std::size_t>(operand));
}

} // namespace

std::span<const Command> Commands() {
    return kCommands;
}

const Command* FindCommand(std::string_view name) {
    const auto found =
        std::find_if(kCommands.begin(), kCommands.end(), [&](const Command& c) { return c.name == name; });
    return found == kCommands.end() ? nullptr : &*found;
}

std::string Usage() {
    std::string text = "Использование:\n";
    for (const Command& command : kCommands) {
        std::string line = "  " + std::string(kProgram) + " " + std::string(command.name);
        if (!command.usage.empty()) // appended: GCC 12's Release build takes " " + string for an overlap
            line.append(" ").append(command.usage);
        if (!command.help.empty())
            line += line.size() < kHelpColumn ? std::string(kHelpColumn - line.size(), ' ')
                                              : "\n" + std::string(kHelpColumn, ' ');
        text += line + std::string(command.help) + "\n";
    }
    text += kOptionsHelp;
    text += "\nEVENT: номер события от 0 до " + std::to_string(kEventSlotCount - 1) + " (см. info).\n";
    text += "Коды завершения: 0 успешно, 1 ошибка, 2 неверный вызов, 3 данные отличаются.\n";
    return text;
}

std::string ManualPage(std::string_view manualTemplate) {
    std::string synopsis, commands;
    for (const Command& command : kCommands) {
        synopsis.append(synopsis.empty() ? "" : "\n.br\n").append(SynopsisLine(command));
        // Appended piece by piece: GCC 12's Release build takes " " + string for an overlapping copy.
        std::string operands;
        for (const Operand operand : command.operands)
            operands.append(" ").append(NamesOf(operand).manual);
        commands.append(".TP\n").append(operands.empty() ? ".B " : ".BI ").append(command.name);
        if (!operands.empty())
            commands.append(" \"").append(operands).append("\"");
        commands.append("\n").append(command.manual).append("\n");
    }
    return Replace(Replace(manualTemplate, "@SYNOPSIS@", synopsis), "@COMMANDS@\n", commands);
}

std::string BashCompletion(std::string_view completionTemplate) {
    std::string names, options, operands;
    for (const Command& command : kCommands) {
        names += std::string(command.name) + " ";
        std::string taken = command.ports == PortUse::None ? "" : " --port";
        if (command.options & kNoVerify)
            taken += " --no-verify";
        if (command.options & kUsedOnly)
            taken += " --used-only";
        if (command.options & kNoNormalise)
            taken += " --no-normalise";
        if (!taken.empty())
            options += "    " + std::string(command.name) + ") options+=\"" + taken + "\" ;;\n";
        if (!command.operands.empty()) {
            operands += "    " + std::string(command.name) + ") operands=(";
            for (const Operand operand : command.operands)
                operands += std::string(NamesOf(operand).completion) + " ";
            operands.back() = ')';
            operands += " ;;\n";
        }
    }
    names += "--help --version";
    const std::string events = "$(seq 0 " + std::to_string(kEventSlotCount - 1) + ")";
    return Replace(Replace(Replace(Replace(completionTemplate, "@COMMANDS@", names), "@OPTIONS@\n", options),
                           "@OPERANDS@\n", operands),
                   "@EVENTS@", events);
}
