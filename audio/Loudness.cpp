#include "Loudness.h"

#include "Conversion.h"
#include "voice/Adpcm.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr float kPeakLimit = 0.8912509F; // -1 dBFS
// The measure's gating blocks last 400 ms: a shorter phrase is measured with silence after it.
constexpr std::size_t kShortestMeasured = kSampleRate * 4 / 10;
// Full scale of the controller's samples; the decoder clamps its prediction there.
constexpr int kFullScale = 32767;

struct MeterDeleter {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};

std::vector<float> ToFloat(std::span<const std::int16_t> samples) {
    std::vector<float> out(samples.size());
    std::transform(samples.begin(), samples.end(), out.begin(), [](std::int16_t s) { return s / 32768.0F; });
    return out;
}

float Peak(std::span<const float> samples) {
    float peak = 0;
    for (float s : samples)
        peak = std::max(peak, std::abs(s));
    return peak;
}

bool ReachesFullScale(std::span<const std::int16_t> samples) {
    return std::any_of(samples.begin(), samples.end(),
                       [](std::int16_t s) { return s >= kFullScale || s <= -kFullScale; });
}

std::vector<std::int16_t> Rounded(std::span<const float> samples, float gain) {
    std::vector<std::int16_t> out(samples.size());
    std::transform(samples.begin(), samples.end(), out.begin(), [gain](float s) {
        return static_cast<std::int16_t>(std::clamp(std::lrint(s * gain * 32768.0F), -32768L, 32767L));
    });
    return out;
}

void Encode(VoiceBank& bank, std::uint8_t slot, std::span<const std::int16_t> samples) {
    bank.ClearSlot(slot);
    for (std::int16_t s : samples)
        bank.AppendSample(slot, s);
}

float GainTo(std::span<const float> samples, double targetLufs) {
    const std::optional<double> loudness = Loudness(samples);
    const float peak = Peak(samples);
    if (!loudness || peak <= 0)
        return 1;
    const auto gain = static_cast<float>(std::pow(10.0, (targetLufs - *loudness) / 20));
    return std::min(gain, kPeakLimit / peak);
}

} // namespace

std::optional<double> Loudness(std::span<const float> samples) {
    std::unique_ptr<ebur128_state, MeterDeleter> meter(ebur128_init(1, kSampleRate, EBUR128_MODE_I));
    if (!meter || samples.empty())
        return std::nullopt;
    ebur128_add_frames_float(meter.get(), samples.data(), samples.size());
    if (samples.size() < kShortestMeasured) {
        const std::vector<float> silence(kShortestMeasured - samples.size());
        ebur128_add_frames_float(meter.get(), silence.data(), silence.size());
    }
    double lufs = 0;
    if (ebur128_loudness_global(meter.get(), &lufs) != EBUR128_SUCCESS || !std::isfinite(lufs))
        return std::nullopt;
    return lufs;
}

std::optional<double> Loudness(std::span<const std::int16_t> samples) {
    return Loudness(ToFloat(samples));
}

std::optional<double> PhraseLoudness(const VoiceSlot& slot) {
    return Loudness(DecodeSlot(slot));
}

double LevelTarget(const VoiceBank& bank, std::optional<std::uint8_t> except) {
    std::vector<double> levels;
    for (std::uint8_t slot = 0; slot < kEventSlotCount; ++slot)
        if (slot != except)
            if (const std::optional<double> level = PhraseLoudness(bank.Slot(slot)))
                levels.push_back(*level);
    if (levels.empty())
        return kDefaultTargetLufs;
    const auto middle = levels.begin() + std::ptrdiff_t(levels.size() / 2);
    std::nth_element(levels.begin(), middle, levels.end());
    return std::min(*middle, kDefaultTargetLufs);
}

void LevelTo(std::vector<float>& samples, double targetLufs) {
    const float gain = GainTo(samples, targetLufs);
    for (float& s : samples)
        s *= gain;
}

void LevelBank(VoiceBank& bank) {
    const double target = LevelTarget(bank);
    for (std::uint8_t slot = 0; slot < kEventSlotCount; ++slot) {
        if (bank.Slot(slot).count == 0)
            continue;
        const std::vector<float> played = ToFloat(DecodeSlot(bank.Slot(slot)));
        float gain = GainTo(played, target);
        if (std::abs(gain - 1) < 0.01F)
            continue; // within 0.1 dB: re-encoding would only add noise
        // The encoder can overshoot a steep edge; step back until the controller's samples stay inside.
        for (int attempt = 0; attempt < 8; ++attempt, gain *= 0.9F) {
            Encode(bank, slot, Rounded(played, gain));
            if (!ReachesFullScale(DecodeSlot(bank.Slot(slot))))
                break;
        }
    }
}
