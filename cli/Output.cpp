#include "Output.h"

#include <iostream>

#include "CommandLine.h"
#include "Json.h"
#include "voice/EventNames.h"
#include "voice/Seconds.h"
#include "voice/Voicebank.h"

void PrintError(std::string_view text) {
    std::cerr << "voice-programmer-cli: " << text << std::endl;
}

// The port's message is "what failed [ENAME]", then on a line of its own what to do about it.
std::string PortErrorText(const std::string& message) {
    const std::size_t newline = message.find('\n');
    std::string failed = message.substr(0, newline);
    const std::string hint = newline == std::string::npos ? std::string() : message.substr(newline + 1);
    std::string name;
    const std::size_t bracket = failed.rfind(" [");
    if (bracket != std::string::npos && failed.back() == ']') {
        name = failed.substr(bracket + 2, failed.size() - bracket - 3);
        failed.erase(bracket);
    }
    std::string sentence = hint.empty() ? failed : failed + ". " + hint;
    return name.empty() ? sentence : sentence + " (" + name + ")";
}

std::string SecondsText(std::uint32_t samples) {
    return FormatSeconds(samples, ",");
}

void WriteFailure(JsonWriter& json, std::string_view command, std::string_view message,
                  std::string_view file) {
    json.BeginObject().Key("command").String(command);
    if (!file.empty())
        json.Key("file").String(file);
    json.Key("error").String(message).EndObject();
}

int Fail(const CommandLine& line, const std::string& what, const std::string& message, bool namedInJson) {
    PrintError(what + ": " + message);
    if (line.json) {
        JsonWriter json(std::cout);
        WriteFailure(json, line.command, message, namedInJson ? what : std::string());
    }
    return kExitFailed;
}

void PrintEvents(const std::vector<std::uint8_t>& events, std::string_view indent) {
    for (const std::uint8_t event : events)
        std::cout << indent << static_cast<int>(event) << "  " << kEventNames.at(event) << '\n';
}

void WriteEvents(JsonWriter& json, const std::vector<std::uint8_t>& events) {
    json.BeginArray();
    for (const std::uint8_t event : events)
        json.BeginObject().Key("event").Integer(event).Key("name").String(kEventNames.at(event)).EndObject();
    json.EndArray();
}

void PrintMemory(const VoiceBank& bank) {
    std::cout << "Занято: " << SecondsText(bank.UsedSamples())
              << " Сек.    Свободно: " << SecondsText(bank.FreeSamples()) << " Сек.\n";
}

void WriteMemory(JsonWriter& json, const VoiceBank& bank) {
    json.Key("usedSamples")
        .Integer(bank.UsedSamples())
        .Key("usedSeconds")
        .Number(SecondsOf(bank.UsedSamples()));
    json.Key("freeSamples")
        .Integer(bank.FreeSamples())
        .Key("freeSeconds")
        .Number(SecondsOf(bank.FreeSamples()));
}
