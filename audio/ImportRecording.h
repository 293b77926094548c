#pragma once

#include "voice/Import.h"

#include <cstdint>
#include <filesystem>
#include <string>

class VoiceBank;

struct ImportOptions {
    bool normalise = true; // a converted recording's peak brought to -1 dBFS
};

struct ImportResult {
    ImportOutcome outcome = ImportOutcome::Unchanged;
    std::string converted; // what a converted recording was ("MP3, 44100 Гц, стерео"); else empty
};

// The one way a recording comes into a slot. The file is opened once: a WAV in the controller's own
// form is taken as it stands; any other recording the converter reads is converted once `questions`
// agrees; the capacity rule of every import applies to both. Builds without the converter (the
// Windows cross-build: its libraries have no Windows packages) take the WAV alone.
ImportResult ImportRecording(VoiceBank& bank, std::uint8_t slot, const std::filesystem::path& path,
                             ImportOptions options, ImportQuestions& questions);
