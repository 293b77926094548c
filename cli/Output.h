#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter;
class VoiceBank;
struct CommandLine;

enum ExitCode : int {
    kExitDone = 0,
    kExitFailed = 1, // a file, a port or a controller
    kExitUsage = 2,
    kExitDifferent = 3, // compared, and the controller's memory differs
};

// "voice-programmer-cli: text" on stderr.
void PrintError(std::string_view text);

// A port's error as one Russian sentence with the system's name of the error in brackets after it:
// "Не удалось открыть порт P. Порт P занят другой программой (...). Закройте её ... (EBUSY)".
std::string PortErrorText(const std::string& message);

// Seconds as the window shows them, with a decimal comma: "134,8".
std::string SecondsText(std::uint32_t samples);

// The command's name, the file that failed (when one did) and the message of a failure, as the JSON
// document of a command that failed.
void WriteFailure(JsonWriter& json, std::string_view command, std::string_view message,
                  std::string_view file = {});

// A failure of `what` (a file, a folder): "what: message" on stderr and, with --json, the failure's
// document, which names `what` as the file where `namedInJson`. Returns kExitFailed.
int Fail(const CommandLine& line, const std::string& what, const std::string& message,
         bool namedInJson = true);

// Each event with its name, as the text lines of a summary or as a JSON array.
void PrintEvents(const std::vector<std::uint8_t>& events, std::string_view indent);
void WriteEvents(JsonWriter& json, const std::vector<std::uint8_t>& events);

// "Занято: ... Сек.    Свободно: ... Сек." and its JSON members.
void PrintMemory(const VoiceBank& bank);
void WriteMemory(JsonWriter& json, const VoiceBank& bank);
