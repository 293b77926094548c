#include "audio/Loudness.h"
#include "voice/Adpcm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace {

// Something like speech: a few harmonics of a gliding pitch under a syllable-rate envelope, with
// a sharp click now and then that a peak-limited level has to respect.
std::vector<std::int16_t> Speechlike(double amplitude, double pitch, std::uint32_t seed, std::size_t length) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    std::vector<std::int16_t> samples(length);
    double phase = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const double t = double(i) / 8000;
        phase += 2 * std::numbers::pi * pitch * (1 + 0.2 * std::sin(2 * std::numbers::pi * 0.7 * t)) / 8000;
        const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 4 * t);
        double s = envelope * (std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.3 * std::sin(3 * phase)) / 1.8;
        s += noise(random);
        if (i % 3001 == 0)
            s = 1; // the click
        samples[i] = std::int16_t(std::lrint(std::clamp(s * amplitude, -1.0, 1.0) * 32767));
    }
    return samples;
}

void Load(VoiceBank& bank, std::uint8_t slot, const std::vector<std::int16_t>& samples) {
    bank.ClearSlot(slot);
    for (std::int16_t s : samples)
        bank.AppendSample(slot, s);
}

double Spread(const VoiceBank& bank) {
    double low = 0, high = -100;
    for (std::uint8_t slot = 0; slot < kEventSlotCount; ++slot)
        if (const auto level = PhraseLoudness(bank.Slot(slot))) {
            low = std::min(low, *level);
            high = std::max(high, *level);
        }
    return high - low;
}

TEST(Loudness, SilenceHasNoneAndAToneItsKnownLevel) {
    EXPECT_FALSE(Loudness(std::vector<std::int16_t>(8000, 0)).has_value());
    EXPECT_FALSE(Loudness(std::vector<float>{}).has_value());
    std::vector<float> tone(8000);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = float(0.5 * std::sin(2 * std::numbers::pi * 997 * double(i) / 8000));
    // -6 dBFS sine: -3 dB of RMS, about +0.6 dB of weighting at 1 kHz, -0.691 of the measure's offset.
    EXPECT_NEAR(Loudness(tone).value_or(0), -9.1, 0.3);
}

TEST(Loudness, LevellingBringsPhrasesWithinOneLUWithoutClippingOrChangingLengths) {
    VoiceBank bank;
    const double amplitudes[] = {0.9, 0.05, 0.3, 0.02, 0.6, 0.15, 1.0, 0.08};
    for (std::uint8_t slot = 0; slot < 8; ++slot)
        Load(bank, std::uint8_t(slot * 5),
             Speechlike(amplitudes[slot], 110 + 20 * slot, slot, 6000 + 900 * slot));
    Load(bank, 44, Speechlike(0.01, 200, 99, 8000)); // not an event: left alone
    const std::uint32_t used = bank.UsedSamples();
    const std::uint32_t outside = bank.Slot(44).count;
    ASSERT_GT(Spread(bank), 20);

    const double target = LevelTarget(bank);
    EXPECT_LE(target, kDefaultTargetLufs);
    LevelBank(bank);
    EXPECT_LT(Spread(bank), 1.0);
    EXPECT_EQ(bank.UsedSamples(), used);
    EXPECT_EQ(bank.Slot(44).count, outside);
    for (std::uint8_t slot = 0; slot < kEventSlotCount; ++slot) {
        const std::vector<std::int16_t> played = DecodeSlot(bank.Slot(slot));
        EXPECT_TRUE(std::none_of(played.begin(), played.end(), [](int s) { return std::abs(s) >= 32767; }))
            << int(slot);
        if (const auto level = PhraseLoudness(bank.Slot(slot))) {
            EXPECT_NEAR(*level, target, 1.0) << int(slot);
        }
    }
}

} // namespace
