#include "Conversion.h"

#include "SoundFile.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

constexpr double kHighPassHz = 100;
constexpr float kPeakTarget = 0.8912509F; // -1 dBFS
// Below one step of 16 bits there is nothing to bring up: silence stays silence.
constexpr float kSilence = 1.0F / 32768;

// soxr at high quality in float: its int16 output would add dither, pointless before a 4-bit code.
std::vector<float> Resample(const std::vector<float>& in, int rate) {
    if (rate == kControllerRate || in.empty())
        return in;
    const auto length = static_cast<std::size_t>(
        std::llround(static_cast<double>(in.size()) * kControllerRate / static_cast<double>(rate)));
    if (length == 0)
        return {}; // soxr would write its flushed tail through the null pointer of an empty buffer
    std::vector<float> out(length);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    std::size_t done = 0;
    if (soxr_oneshot(rate, kControllerRate, 1, in.data(), in.size(), nullptr, out.data(), out.size(), &done,
                     &io, &quality, nullptr) != nullptr)
        done = 0;
    out.resize(done);
    return out;
}

// A second-order Butterworth high-pass at 100 Hz: gentle enough to leave a voice alone.
void HighPass(std::vector<float>& samples) {
    const double w = 2 * std::numbers::pi * kHighPassHz / kControllerRate;
    const double alpha = std::sin(w) / std::numbers::sqrt2; // Q = 1/sqrt(2)
    const double a0 = 1 + alpha;
    const double b0 = (1 + std::cos(w)) / 2 / a0, b1 = -(1 + std::cos(w)) / a0, b2 = b0;
    const double a1 = -2 * std::cos(w) / a0, a2 = (1 - alpha) / a0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (float& s : samples) {
        const double x = s;
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        s = static_cast<float>(y);
    }
}

void NormalisePeak(std::vector<float>& samples) {
    float peak = 0;
    for (float s : samples)
        peak = std::max(peak, std::abs(s));
    if (peak < kSilence)
        return;
    const float gain = kPeakTarget / peak;
    for (float& s : samples)
        s *= gain;
}

std::vector<std::int16_t> RoundTo16Bits(const std::vector<float>& samples) {
    std::vector<std::int16_t> out(samples.size());
    std::transform(samples.begin(), samples.end(), out.begin(), [](float s) {
        return static_cast<std::int16_t>(std::clamp(std::lrint(s * 32768.0F), -32768L, 32767L));
    });
    return out;
}

} // namespace

std::vector<std::int16_t> ConvertForController(SoundFile& file, std::size_t maxSamples, bool normalise) {
    const int rate = file.Info().sampleRate;
    // A little more than the samples wanted, so that the resampler's filter sees what follows them.
    const double frames = std::ceil(static_cast<double>(maxSamples) * rate / kControllerRate) + rate / 50.0;
    std::vector<float> samples = Resample(file.ReadMono(static_cast<std::size_t>(frames)), rate);
    if (samples.size() > maxSamples)
        samples.resize(maxSamples);
    HighPass(samples);
    return ForController(std::move(samples), normalise);
}

std::uint64_t ControllerLength(SoundFile& file) {
    const double frames = static_cast<double>(file.CountToTheEnd());
    return static_cast<std::uint64_t>(std::llround(frames * kControllerRate / file.Info().sampleRate));
}

std::vector<float> ToControllerRate(const std::vector<float>& mono, int rate) {
    std::vector<float> samples = Resample(mono, rate);
    HighPass(samples);
    return samples;
}

std::vector<std::int16_t> ForController(std::vector<float> samples, bool normalise) {
    // After resampling, which can raise the peak.
    if (normalise)
        NormalisePeak(samples);
    return RoundTo16Bits(samples);
}
