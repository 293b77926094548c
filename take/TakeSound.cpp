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

std::vector<std::int16_t> PreparedTake(std::span<const std::int16_t> kept, bool normalise,
                                       double targetLufs) {
    if (!normalise)
        return {kept.begin(), kept.end()};
    return ForController(ToFloat(kept), true, targetLufs);
}

std::vector<std::int16_t> AsTheControllerPlaysIt(std::span<const std::int16_t> samples) {
    AdpcmEncoder encoder;
    AdpcmDecoder decoder;
    std::vector<std::int16_t> played(samples.size());
    std::transform(samples.begin(), samples.end(), played.begin(),
                   [&](std::int16_t s) { return decoder.Decode(encoder.Encode(s)); });
    return played;
}

ImportOutcome LoadTake(VoiceBank& bank, std::uint8_t slot, std::span<const std::int16_t> samples,
                       ImportReporter& reporter) {
    // The phrase being replaced does not count against the capacity.
    bank.ClearSlot(slot);
    const std::uint32_t free = bank.FreeSamples();
    if (free == 0) {
        reporter.Report(ImportMessageFor(ImportMessageKind::MemoryFull));
        return ImportOutcome::Emptied;
    }
    if (samples.size() > free) {
        reporter.Report(ImportMessageFor(ImportMessageKind::Truncated));
        samples = samples.first(free);
    }
    for (const std::int16_t s : samples)
        bank.AppendSample(slot, s);
    return ImportOutcome::Loaded;
}

std::uint32_t FreeSamplesFor(const VoiceBank& bank, std::uint8_t slot) {
    std::uint64_t others = 0; // each counted in whole bytes, as FreeSamples does
    for (std::uint8_t s = 0; s < kSlotCount; ++s)
        if (s != slot)
            others += bank.Slot(s).count + (bank.Slot(s).count & 1U);
    return others >= kCapacitySamples ? 0 : std::uint32_t(kCapacitySamples - others);
}
