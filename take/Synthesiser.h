#pragma once

#include <cstdint>
#include <optional>
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

// The text spoken by the voice; nothing when the synthesiser is missing, fails or says nothing.
// The same text always gives the same samples.
std::optional<SpokenText> Speak(SpeechVoice voice, const std::string& textUtf8);
