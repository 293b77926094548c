#pragma once

#include "Voicebank.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// A folder of phrases, one audio file per event, as a studio or a colleague hands them over.

// "NN Название события.wav": the event's number in two digits and its name, the characters that
// Windows forbids in file names replaced.
std::string PhraseFileName(std::uint8_t event);

// The event a file's name stands for: a leading event number ("03.wav", "3 - Тревога по входу 1.mp3")
// or an event's name as the whole name before the extension ("Тревога по входу 1.flac").
std::optional<std::uint8_t> EventOfFileName(std::string_view fileName);

// The audio files of a folder sorted out by event, in name order.
struct FolderPlan {
    struct Phrase {
        std::uint8_t event = 0;
        std::filesystem::path file;
    };
    std::vector<Phrase> phrases;
    std::vector<std::filesystem::path> unmatched;  // no event's number or name
    std::vector<std::filesystem::path> duplicates; // an event that an earlier file already took
};
// Files of other kinds than audio are not looked at; a folder that cannot be read gives an empty plan.
FolderPlan PlanFolder(const std::filesystem::path& folder);

// Writes each event's phrase as the controller plays it to PhraseFileName in the folder, replacing a
// file of that name. Returns the files that could not be written, and why the last of them was not.
struct FolderExport {
    int written = 0;
    std::vector<std::filesystem::path> failed;
    std::error_code reason;
};
FolderExport ExportFolder(const VoiceBank& bank, const std::filesystem::path& folder);
