#include "BankCommands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "BankFile.h"
#include "CommandLine.h"
#include "Json.h"
#include "Output.h"
#include "audio/ImportRecording.h"
#include "voice/EventNames.h"
#include "voice/Seconds.h"
#include "voice/Voicebank.h"

namespace {

// The window's message boxes of an import: a warning lets the import go on, an error ends it.
class CollectingReporter : public ImportQuestions {
public:
    void Report(const ImportMessage& message) override {
        (message.importGoesOn ? warnings : errors).emplace_back(message.text);
    }

    std::vector<std::string> warnings;
    std::vector<std::string> errors;
};

// " 7   2,5 Сек.  Тревога по входу 5"
void PrintEvent(const VoiceBank& bank, std::uint8_t event) {
    char number[8];
    std::snprintf(number, sizeof number, "%2d", event);
    const std::string seconds = SecondsText(bank.Slot(event).count);
    std::cout << number << "  " << std::string(seconds.size() < 7 ? 7 - seconds.size() : 0, ' ') << seconds
              << " Сек.  " << kEventNames.at(event) << '\n';
}

void WriteEvent(JsonWriter& json, const VoiceBank& bank, std::uint8_t event) {
    const std::uint32_t samples = bank.Slot(event).count;
    json.Key("event").Integer(event).Key("name").String(kEventNames.at(event));
    json.Key("samples").Integer(samples).Key("seconds").Number(SecondsOf(samples));
}

// What an import or a delete leaves: the event's phrase and the memory.
void ShowEvent(const CommandLine& line, const VoiceBank& bank, std::uint8_t event,
               const std::vector<std::string>& warnings, const std::string& converted) {
    if (!line.json) {
        PrintEvent(bank, event);
        PrintMemory(bank);
        return;
    }
    JsonWriter json(std::cout);
    json.BeginObject().Key("command").String(line.command).Key("file").String(line.arguments[0]);
    WriteEvent(json, bank, event);
    json.Key("warnings").BeginArray();
    for (const std::string& warning : warnings)
        json.String(warning);
    json.EndArray();
    if (line.command == "import") {
        json.Key("converted");
        if (converted.empty())
            json.Null();
        else
            json.String(converted);
    }
    WriteMemory(json, bank);
    json.EndObject();
}

} // namespace

int RunInfo(const CommandLine& line) {
    const std::string& file = line.arguments[0];
    auto bank = std::make_unique<VoiceBank>();
    if (const std::string error = LoadBank(file, *bank); !error.empty())
        return Fail(line, file, error);
    if (!line.json) {
        for (std::uint8_t event = 0; event < kEventSlotCount; ++event)
            PrintEvent(*bank, event);
        PrintMemory(*bank);
        return kExitDone;
    }
    JsonWriter json(std::cout);
    json.BeginObject().Key("command").String("info").Key("file").String(file).Key("events").BeginArray();
    for (std::uint8_t event = 0; event < kEventSlotCount; ++event) {
        json.BeginObject();
        WriteEvent(json, *bank, event);
        json.EndObject();
    }
    json.EndArray();
    WriteMemory(json, *bank);
    json.EndObject();
    return kExitDone;
}

// A bank that does not exist yet starts empty; one that can't be read is left alone.
int RunImport(const CommandLine& line) {
    const std::string& file = line.arguments[0];
    const auto event = static_cast<std::uint8_t>(ParseEvent(line.arguments[1]));
    auto bank = std::make_unique<VoiceBank>();
    HeldBank held;
    if (const std::string message = held.Load(file, *bank, true); !message.empty())
        return Fail(line, file, message);
    CollectingReporter reporter;
    const std::string& recording = line.arguments[2];
    const std::string converted =
        ImportRecording(*bank, event, PathOf(recording), {.normalise = !line.noNormalise}, reporter)
            .converted;
    if (!converted.empty() && reporter.errors.empty())
        PrintError(recording + ": " + converted + ", преобразован для контроллера");
    for (const std::string& warning : reporter.warnings) // a cut recording, most often
        PrintError(recording + ": " + warning);
    if (!reporter.errors.empty()) // the bank's file stays as it was
        return Fail(line, recording, WithReadReason(recording, reporter.errors.back()));
    if (const std::string message = held.Save(*bank); !message.empty())
        return Fail(line, file, message);
    ShowEvent(line, *bank, event, reporter.warnings, converted);
    return kExitDone;
}

int RunDelete(const CommandLine& line) {
    const std::string& file = line.arguments[0];
    const auto event = static_cast<std::uint8_t>(ParseEvent(line.arguments[1]));
    auto bank = std::make_unique<VoiceBank>();
    HeldBank held;
    if (const std::string message = held.Load(file, *bank, false); !message.empty())
        return Fail(line, file, message);
    bank->ClearSlot(event);
    if (const std::string message = held.Save(*bank); !message.empty())
        return Fail(line, file, message);
    ShowEvent(line, *bank, event, {}, {});
    return kExitDone;
}
