#include "Synthesiser.h"

#include "RunProgram.h"
#include "StreamedWav.h"
#include "SystemVoice.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace {

constexpr auto kTimeLimit = std::chrono::seconds(30);
constexpr int kEspeakRate = 22050;
constexpr int kFestivalRate = 16000;
constexpr double kSilenceRoom = 10; // seconds a phrase may have beyond the limit before it is trimmed
constexpr std::size_t kHeaderRoom = 4096;

// The most output a phrase within the limits can take, as 16-bit samples at the rate.
RunLimits ProgramLimits(const SpeechLimits& limits, int rate) {
    const double seconds = std::max(0.0, limits.seconds) + kSilenceRoom;
    return RunLimits{kTimeLimit, std::size_t(seconds * rate) * 2 + kHeaderRoom, limits.stop};
}

// What was said, kept where it fits the limit at whatever rate it came.
SpeechEnd Kept(std::optional<SpokenText> said, const SpeechLimits& limits, SpokenText& spoken) {
    if (!said)
        return SpeechEnd::Failed;
    if (said->rate <= 0 || double(said->samples.size()) / said->rate > limits.seconds + kSilenceRoom)
        return SpeechEnd::TooLong;
    spoken = std::move(*said);
    return SpeechEnd::Spoken;
}

SpeechEnd RunEnd(const ProgramRun& run) {
    if (run.stopped)
        return SpeechEnd::Stopped;
    if (run.tooMuchOutput)
        return SpeechEnd::TooLong;
    return run.exitCode == 0 ? SpeechEnd::Spoken : SpeechEnd::Failed;
}
const char* const kFestivalVoiceFolder = "/usr/share/festival/voices/russian/msu_ru_nsh_clunits";

// espeak-ng writes a WAV to its output; its text comes through its input so that a text starting with
// a dash is spoken, not taken for an option.
SpeechEnd SpeakWithEspeak(const std::string& text, const SpeechLimits& limits, SpokenText& spoken) {
    const ProgramRun run = RunProgram({"espeak-ng", "-v", "ru", "--stdout", "--stdin"}, text,
                                      ProgramLimits(limits, kEspeakRate));
    if (RunEnd(run) != SpeechEnd::Spoken)
        return RunEnd(run);
    return Kept(ReadStreamedWav(run.output), limits, spoken);
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
SpeechEnd SpeakWithFestival(const std::string& text, const SpeechLimits& limits, SpokenText& spoken) {
    const ProgramRun run = RunProgram({"text2wave", "-eval", "(voice_msu_ru_nsh_clunits)", "-otype", "raw",
                                       "-F", std::to_string(kFestivalRate)},
                                      FestivalText(text), ProgramLimits(limits, kFestivalRate));
    if (RunEnd(run) != SpeechEnd::Spoken)
        return RunEnd(run);
    spoken = SpokenText{std::vector<std::int16_t>(run.output.size() / 2), kFestivalRate};
    std::memcpy(spoken.samples.data(), run.output.data(), spoken.samples.size() * 2); // native order
    return SpeechEnd::Spoken;
}

// The system's voice speaks in this process, within its own time limit; only the length is checked.
SpeechEnd SpeakWithSystem(const std::string& text, const SpeechLimits& limits, SpokenText& spoken) {
    return Kept(SpeakWithSystemVoice(text), limits, spoken);
}

SpeechEnd SpokenBy(SpeechVoice voice, const std::string& text, const SpeechLimits& limits,
                   SpokenText& spoken) {
    switch (voice) {
    case SpeechVoice::Espeak:
        return SpeakWithEspeak(text, limits, spoken);
    case SpeechVoice::Festival:
        return SpeakWithFestival(text, limits, spoken);
    case SpeechVoice::System:
        return SpeakWithSystem(text, limits, spoken);
    }
    return SpeechEnd::Failed;
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

SpeechEnd Speak(SpeechVoice voice, const std::string& textUtf8, const SpeechLimits& limits,
                SpokenText& spoken) {
    const SpeechEnd end = SpokenBy(voice, textUtf8, limits, spoken);
    return end == SpeechEnd::Spoken && spoken.samples.empty() ? SpeechEnd::Failed : end;
}

std::optional<SpokenText> Speak(SpeechVoice voice, const std::string& textUtf8) {
    SpokenText spoken;
    if (Speak(voice, textUtf8, SpeechLimits{}, spoken) != SpeechEnd::Spoken)
        return std::nullopt;
    return spoken;
}
