#pragma once

#include "Conversion.h"
#include "voice/Voicebank.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Integrated loudness (ITU-R BS.1770, LUFS) of 8000 Hz mono samples (-1..1); none for silence.
std::optional<double> Loudness(std::span<const float> samples);
std::optional<double> Loudness(std::span<const std::int16_t> samples);
// The phrase as the controller plays it.
std::optional<double> PhraseLoudness(const VoiceSlot& slot);

// The loudness that new and levelled phrases get: the median of the events' phrases, leaving `except`
// out (the phrase about to be replaced), or kDefaultTargetLufs where that is quieter.
double LevelTarget(const VoiceBank& bank, std::optional<std::uint8_t> except = std::nullopt);

// Brings the samples to `targetLufs`, no further than their peak reaching -1 dBFS.
void LevelTo(std::vector<float>& samples, double targetLufs);

// Brings every event's phrase to LevelTarget(bank); the phrases keep their lengths, and no sample of
// the re-encoded phrases reaches full scale.
void LevelBank(VoiceBank& bank);
