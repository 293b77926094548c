#pragma once

#include "voice/Voicebank.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// Russian speech from text, by a synthesiser that runs as a program of its own (never linked in) or by
// the system's own speech service.

enum class SpeechVoice {
    Espeak,   // espeak-ng: fast, robotic
    Festival, // festival with its Russian voice: more natural, slower
    System,   // the Russian voice of Windows' speech service (SAPI)
};

// What the user is told when no voice is installed (UTF-8 sentences): what is missing, and what to add
// in the host's own terms (a package on Linux, a language component on Windows).
struct MissingVoiceText {
    const char* problem;
    const char* remedy;
};
extern const MissingVoiceText kMissingVoice;

// The voices installed here, the system's own first, then the fast one.
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
