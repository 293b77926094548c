#include "TakeSound.h"

#include "audio/Conversion.h"
#include "voice/Adpcm.h"

#include <algorithm>

namespace {

std::vector<float> ToFloat(std::span<const std::int16_t> samples) {
    std::vector<float> out(samples.size());
    std::transform(samples.begin(), samples.end(), out.begin(),
                   [](std::int16_t s) { return float(s) / 32768.0F; });
    return out;
}

} // namespace

std::vector<std::int16_t> TakeFromSound(const std::vector<float>& mono, int rate) {
    if (mono.empty() || rate <= 0)
        return {};
    return ForController(ToControllerRate(mono, rate), false);
}

std::optional<std::vector<std::int16_t>> SpokenTake(SpeechVoice voice, const std::string& textUtf8) {
    const std::optional<SpokenText> spoken = Speak(voice, textUtf8);
    if (!spoken)
        return std::nullopt;
    return TakeFromSound(ToFloat(spoken->samples), spoken->rate);
}

std::vector<std::int16_t> PreparedTake(std::span<const std::int16_t> kept, bool normalise) {
    if (!normalise)
        return {kept.begin(), kept.end()};
    return ForController(ToFloat(kept), true);
}

std::vector<std::int16_t> AsTheControllerPlaysIt(std::span<const std::int16_t> samples) {
    AdpcmEncoder encoder;
    AdpcmDecoder decoder;
    std::vector<std::int16_t> played(samples.size());
    std::transform(samples.begin(), samples.end(), played.begin(),
                   [&](std::int16_t s) { return decoder.Decode(encoder.Encode(s)); });
    return played;
}
