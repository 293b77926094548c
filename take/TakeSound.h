#pragma once

#include "take/Synthesiser.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A take is what the controller would get: 16-bit mono at 8000 Hz, its level as recorded. Recordings
// and spoken texts become takes the way imported recordings are converted.

std::vector<std::int16_t> TakeFromSound(const std::vector<float>& mono, int rate);

// The text spoken into a take; nothing when the synthesiser fails.
std::optional<std::vector<std::int16_t>> SpokenTake(SpeechVoice voice, const std::string& textUtf8);

// The kept part of a take as it goes into a slot: with `normalise`, its peak brought to -1 dBFS.
std::vector<std::int16_t> PreparedTake(std::span<const std::int16_t> kept, bool normalise);

// What the controller will play for the samples: encoded to its ADPCM and decoded again.
std::vector<std::int16_t> AsTheControllerPlaysIt(std::span<const std::int16_t> samples);
