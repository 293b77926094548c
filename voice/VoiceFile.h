#pragma once

#include "Voicebank.h"

#include <filesystem>
#include <string_view>
#include <system_error>

class ByteSource;

// Voice files (".vce"): a 22-byte version header, the image, one checksum byte.
enum VoiceFileResult : int {
    kVoiceFileOk = 0,
    kVoiceFileFailed = 1,
    kVoiceFileChecksumMismatch = 2,
};

// What the user is told when a voice file cannot be read (UTF-8).
inline std::string_view VoiceFileReadError(VoiceFileResult result) {
    return result == kVoiceFileChecksumMismatch ? "Неизвестный формат файла" : "Невозможно открыть файл";
}
// ... or written.
inline constexpr std::string_view kVoiceFileWriteError = "Невозможно сохранить файл";

// Writes the newest version. Replaces the target only once the new file is complete on disk; a
// symbolic link is written through to the file it names. On failure, reason says why (see SafeFile.h).
VoiceFileResult WriteVoiceFile(const std::filesystem::path& path, const VoiceImage& image,
                               std::error_code& reason);
VoiceFileResult WriteVoiceFile(const std::filesystem::path& path, const VoiceImage& image);

// Reads any of the three versions into image; fullLayout is meaningful only when the result is 0.
VoiceFileResult ReadVoiceFile(const std::filesystem::path& path, VoiceImage& image, bool& fullLayout);

// The same from any byte stream (fuzzing reads from memory).
VoiceFileResult ReadVoiceFile(ByteSource& file, VoiceImage& image, bool& fullLayout);
