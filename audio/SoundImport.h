#pragma once

#include "voice/WavImport.h"

#include <cstdint>
#include <filesystem>

// Loads a recording in any format the converter reads into a slot, converted to what the controller
// plays, under the capacity rules and with the messages of a WAV import: memory full, truncation.
ImportOutcome ImportSoundFile(VoiceBank& bank, std::uint8_t slot, const std::filesystem::path& file,
                              bool normalise, ImportReporter& reporter);

// The refusal of a file that only says it cannot be read would leave an M4A or AAC recording a riddle.
ImportMessage AacRefusal();
