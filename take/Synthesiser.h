#pragma once

#include <cstdint>
#include <optional>
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

// The text spoken by the voice; nothing when the synthesiser is missing, fails or says nothing.
// The same text always gives the same samples.
std::optional<SpokenText> Speak(SpeechVoice voice, const std::string& textUtf8);
