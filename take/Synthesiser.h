#pragma once

#include "voice/Voicebank.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// Russian speech from text, by a synthesiser that runs as a program of its own (never linked in).

enum class SpeechVoice {
    Espeak,   // espeak-ng: fast, robotic
    Festival, // festival with its Russian voice: more natural, slower
};

// The package to install when no synthesiser is.
inline constexpr const char* kSynthesiserPackage = "espeak-ng";

// The voices installed here, the fast one first.
std::vector<SpeechVoice> InstalledVoices();

struct SpokenText {
    std::vector<std::int16_t> samples; // mono
    int rate = 0;
};

// What a spoken phrase may be: at most so long (the memory it is meant for), and cut short at once when
// the user stops it.
struct SpeechLimits {
    double seconds = double(kCapacitySamples) / 8000;
    std::stop_token stop = {};
};

enum class SpeechEnd {
    Spoken,
    Failed,  // the synthesiser is missing, fails or says nothing
    TooLong, // it said more than the limit (and room for silence at its ends)
    Stopped,
};

// The text spoken by the voice. The same text always gives the same samples.
SpeechEnd Speak(SpeechVoice voice, const std::string& textUtf8, const SpeechLimits& limits,
                SpokenText& spoken);
std::optional<SpokenText> Speak(SpeechVoice voice, const std::string& textUtf8);
