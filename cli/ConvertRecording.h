#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "voice/WavImport.h"

class VoiceBank;

// A recording that the WAV import refused (refusal says why), converted into the event's slot when the
// converter reads it; otherwise the refusal, or a better one, is reported and the slot stays as it was.
// converted receives what the recording was ("MP3, 44100 Гц, стерео") when it was converted. Builds
// without the converter (the Windows cross-build: its libraries have no Windows packages) report the
// refusal.
ImportOutcome ImportConverted(VoiceBank& bank, std::uint8_t event, const std::filesystem::path& file,
                              bool normalise, ImportReporter& reporter, const ImportMessage& refusal,
                              std::string& converted);
