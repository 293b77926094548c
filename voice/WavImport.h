#pragma once

#include "Import.h"

#include <cstdint>
#include <filesystem>

class ByteSource;

// Import of a WAV recording (PCM, 8000 Hz, 16 bit, mono) into one slot of a bank, replacing what the
// slot held, under the capacity rule of every import.

ImportOutcome ImportWav(VoiceBank& bank, std::uint8_t slot, const std::filesystem::path& file,
                        ImportQuestions& questions);

// The same import from any byte stream, read sequentially (tests and fuzzing use memory).
ImportOutcome ImportWav(VoiceBank& bank, std::uint8_t slot, ByteSource& source, ImportQuestions& questions);
