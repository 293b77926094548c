#pragma once

#include "voice/Voicebank.h"

#include <cstddef>
#include <cstdint>
#include <span>

// Where the phrase in a take lies: the silence at both ends is cut away, keeping a margin before the
// first and after the last sound so that the phrase's first and last syllables are not clipped.

inline constexpr std::size_t kTrimMarginSamples = kSampleRate / 10; // 100 ms

struct TakeRange {
    std::size_t begin = 0;
    std::size_t end = 0; // one past the last sample kept
    std::size_t Length() const { return end - begin; }
};

// The take's range without its silent ends. A take with no sound in it (silence, or nothing above the
// room's noise) is kept whole.
TakeRange TrimSilence(std::span<const std::int16_t> take);
