#pragma once

#include "voice/Voicebank.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class SoundFile;

// Levelled phrases get the bank's median loudness, or this where it is quieter: loud enough for a
// telephone line, with room below -1 dBFS for the peaks of most speech (LUFS).
inline constexpr double kDefaultTargetLufs = -18;

// The recording as the controller should play it, read from where the file stands: mixed down to
// mono, resampled to 8000 Hz, rumble and DC taken out, with `normalise` its loudness brought to
// `targetLufs` (its peak no higher than -1 dBFS), rounded to 16 bits. Reading stops once `maxSamples`
// are certain; at most that many are returned.
std::vector<std::int16_t> ConvertForController(SoundFile& file, std::size_t maxSamples, bool normalise,
                                               double targetLufs = kDefaultTargetLufs);

// After ConvertForController: reads the recording to its end and returns its length at 8000 Hz.
std::uint64_t ControllerLength(SoundFile& file);

// The same steps for samples already in memory (a recording from a microphone, a spoken text), in
// two parts so that a take can be cut between them: mono samples (-1..1) at `rate` brought to 8000 Hz
// with rumble and DC taken out; then, with `normalise`, levelled as above, rounded to 16 bits.
std::vector<float> ToControllerRate(const std::vector<float>& mono, int rate);
std::vector<std::int16_t> ForController(std::vector<float> samples, bool normalise,
                                        double targetLufs = kDefaultTargetLufs);
