#pragma once

#include "Voicebank.h"

#include <cstdint>
#include <string>
#include <string_view>

// A sample count as seconds at kSampleRate: at most 4 significant digits, no trailing zeros,
// the given decimal separator ("134,8").
std::string FormatSeconds(std::uint32_t samples, std::string_view decimalPoint);

inline double SecondsOf(std::uint32_t samples) {
    return samples / double(kSampleRate);
}
