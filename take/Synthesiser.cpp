#include "Synthesiser.h"

#include "RunProgram.h"
#include "StreamedWav.h"
#include "SystemVoice.h"

#include <cctype>
#include <cstring>
#include <filesystem>

namespace {

constexpr auto kTimeLimit = std::chrono::seconds(30);
constexpr int kFestivalRate = 16000;
const char* const kFestivalVoiceFolder = "/usr/share/festival/voices/russian/msu_ru_nsh_clunits";

// espeak-ng writes a WAV to its output; its text comes through its input so that a text starting with
// a dash is spoken, not taken for an option.
std::optional<SpokenText> SpeakWithEspeak(const std::string& text) {
    const ProgramRun run = RunProgram({"espeak-ng", "-v", "ru", "--stdout", "--stdin"}, text, kTimeLimit);
    if (run.exitCode != 0)
        return std::nullopt;
    return ReadStreamedWav(run.output);
}

// The Russian voice's letter-to-sound rules know only letters, digits and a few marks; anything else
// inside a word ("ОХРАНА/НАБЛЮДЕНИЕ") makes it say nothing at all. Such characters become spaces.
std::string FestivalText(const std::string& text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool cyrillic = (c == 0xD0 || c == 0xD1) && i + 1 < text.size();
        if (cyrillic) {
            plain += text.substr(i++, 2);
        } else if (c > 0 && c < 0x80 && (std::isalnum(c) || std::isspace(c) || std::strchr("-'?!.,;+", c))) {
            plain += char(c);
        } else if (c < 0x80 || c >= 0xC0) { // a character of its own, not a continuation byte
            plain += ' ';
        }
    }
    return plain;
}

// text2wave rewrites its WAV header at the end, which a pipe cannot take (the header would come twice);
// raw samples at a rate we name are unambiguous.
std::optional<SpokenText> SpeakWithFestival(const std::string& text) {
    const ProgramRun run = RunProgram({"text2wave", "-eval", "(voice_msu_ru_nsh_clunits)", "-otype", "raw",
                                       "-F", std::to_string(kFestivalRate)},
                                      FestivalText(text), kTimeLimit);
    if (run.exitCode != 0)
        return std::nullopt;
    SpokenText spoken{std::vector<std::int16_t>(run.output.size() / 2), kFestivalRate};
    std::memcpy(spoken.samples.data(), run.output.data(), spoken.samples.size() * 2); // native order
    return spoken;
}

std::optional<SpokenText> SpokenBy(SpeechVoice voice, const std::string& text) {
    switch (voice) {
    case SpeechVoice::Espeak:
        return SpeakWithEspeak(text);
    case SpeechVoice::Festival:
        return SpeakWithFestival(text);
    case SpeechVoice::System:
        return SpeakWithSystemVoice(text);
    }
    return std::nullopt;
}

} // namespace

std::vector<SpeechVoice> InstalledVoices() {
    std::vector<SpeechVoice> voices;
    if (SystemVoiceInstalled())
        voices.push_back(SpeechVoice::System);
    if (ProgramInstalled("espeak-ng"))
        voices.push_back(SpeechVoice::Espeak);
    std::error_code ignored;
    if (ProgramInstalled("text2wave") && std::filesystem::is_directory(kFestivalVoiceFolder, ignored))
        voices.push_back(SpeechVoice::Festival);
    return voices;
}

std::optional<SpokenText> Speak(SpeechVoice voice, const std::string& textUtf8) {
    std::optional<SpokenText> spoken = SpokenBy(voice, textUtf8);
    if (!spoken || spoken->samples.empty())
        return std::nullopt;
    return spoken;
}
