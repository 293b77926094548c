#include "Trim.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr std::size_t kFrame = kSampleRate / 100; // 10 ms: fine enough for the markers, coarse enough
                                                  // that a lone click does not count as sound
constexpr double kSilenceFloor = 32768 * 0.001;   // -60 dBFS: below this nothing is sound
constexpr double kBelowLoudest = 0.0178;          // -35 dB: a frame this far below the loudest is pause
constexpr double kAboveNoise = 4.0;               // +12 dB above the room's noise

std::vector<double> FrameLevels(std::span<const std::int16_t> take) {
    std::vector<double> levels;
    for (std::size_t at = 0; at < take.size(); at += kFrame) {
        const auto frame = take.subspan(at, std::min(kFrame, take.size() - at));
        double sum = 0;
        for (const std::int16_t s : frame)
            sum += double(s) * s;
        levels.push_back(std::sqrt(sum / double(frame.size())));
    }
    return levels;
}

// The level above which a frame is sound: well above the quietest tenth of the take (the room), but
// never so high that the phrase's quieter parts are lost, and never within the digital silence.
double SoundThreshold(std::vector<double> levels) {
    const double loudest = *std::max_element(levels.begin(), levels.end());
    auto tenth = levels.begin() + std::ptrdiff_t(levels.size() / 10);
    std::nth_element(levels.begin(), tenth, levels.end());
    const double noise = *tenth;
    return std::max({kSilenceFloor, loudest * kBelowLoudest, std::min(noise * kAboveNoise, loudest * 0.1)});
}

} // namespace

TakeRange TrimSilence(std::span<const std::int16_t> take) {
    const TakeRange whole{0, take.size()};
    if (take.empty())
        return whole;
    const std::vector<double> levels = FrameLevels(take);
    const double threshold = SoundThreshold(levels);
    const auto isSound = [threshold](double level) { return level > threshold; };
    const auto first = std::find_if(levels.begin(), levels.end(), isSound);
    if (first == levels.end())
        return whole;
    const auto last = std::find_if(levels.rbegin(), levels.rend(), isSound);
    const std::size_t soundBegin = std::size_t(first - levels.begin()) * kFrame;
    const std::size_t soundEnd = std::min(take.size(), std::size_t(levels.rend() - last) * kFrame);
    return {soundBegin > kTrimMarginSamples ? soundBegin - kTrimMarginSamples : 0,
            std::min(take.size(), soundEnd + kTrimMarginSamples)};
}
