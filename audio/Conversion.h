#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class SoundFile;

// The controller plays 16-bit samples at this rate, mono.
inline constexpr int kControllerRate = 8000;

// The recording as the controller should play it, read from where the file stands: mixed down to
// mono, resampled to 8000 Hz, rumble and DC taken out, with `normalise` its peak brought to -1 dBFS,
// rounded to 16 bits. Reading stops once `maxSamples` are certain; at most that many are returned.
std::vector<std::int16_t> ConvertForController(SoundFile& file, std::size_t maxSamples, bool normalise);

// After ConvertForController: reads the recording to its end and returns its length at 8000 Hz.
std::uint64_t ControllerLength(SoundFile& file);

// The same steps for samples already in memory (a recording from a microphone, a spoken text), in
// two parts so that a take can be cut between them: mono samples (-1..1) at `rate` brought to 8000 Hz
// with rumble and DC taken out; then, with `normalise`, the peak brought to -1 dBFS, rounded to 16 bits.
std::vector<float> ToControllerRate(const std::vector<float>& mono, int rate);
std::vector<std::int16_t> ForController(std::vector<float> samples, bool normalise);
