// The loudness of a bank before and after "Выровнять громкость всех фраз": ten phrases as they come
// from different sources (a quiet telephone recording, a loud studio take, a thin laptop microphone, a
// noisy room, ...), each an event's name spoken by espeak-ng and shaped so; then the time to level a
// bank of all 43 phrases. Targets: a spread under 1 LU, under 1 s for 43 phrases.
//   bench-loudness [runs]   (default 5; the median and the range of the times are printed)
#include "audio/Loudness.h"
#include "take/TakeSound.h"
#include "voice/EventNames.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

// How a source colours a phrase: its gain, a one-pole low-pass (0 leaves it alone) and its noise.
struct Source {
    const char* name;
    double gainDb;
    double lowPass;
    double noise;
};

constexpr Source kSources[] = {
    {"телефонная запись", -26, 0.6, 0.002}, {"студия, громко", 0, 0, 0},
    {"микрофон ноутбука", -14, 0.8, 0.004}, {"шумная комната", -8, 0, 0.02},
    {"диктофон, тихо", -32, 0.3, 0.001},    {"синтезатор как есть", -3, 0, 0},
    {"гарнитура", -18, 0.5, 0.003},         {"MP3 с сайта", -6, 0.2, 0},
    {"запись издалека", -22, 0.7, 0.01},    {"после компрессора", -1, 0, 0.001},
};

std::vector<std::int16_t> Coloured(const std::vector<std::int16_t>& spoken, const Source& source,
                                   unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, source.noise);
    const double gain = std::pow(10.0, source.gainDb / 20);
    std::vector<std::int16_t> out(spoken.size());
    double low = 0;
    for (std::size_t i = 0; i < spoken.size(); ++i) {
        low = source.lowPass * low + (1 - source.lowPass) * spoken[i] / 32768.0;
        const double s = low * gain + (source.noise > 0 ? noise(random) : 0);
        out[i] = static_cast<std::int16_t>(std::lrint(std::clamp(s, -1.0, 32767.0 / 32768) * 32768));
    }
    return out;
}

void Load(VoiceBank& bank, std::uint8_t slot, const std::vector<std::int16_t>& samples) {
    bank.ClearSlot(slot);
    for (std::int16_t s : samples)
        bank.AppendSample(slot, s);
}

void PrintLevels(const char* when, const VoiceBank& bank) {
    double low = 0, high = -200;
    std::printf("%s:", when);
    for (std::uint8_t slot = 0; slot < kEventSlotCount; ++slot)
        if (const auto level = PhraseLoudness(bank.Slot(slot))) {
            std::printf(" %.1f", *level);
            low = std::min(low, *level);
            high = std::max(high, *level);
        }
    std::printf(" LUFS\n  spread %.2f LU\n", high - low);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<std::vector<std::int16_t>> spoken;
    for (const char* name : kEventNames) {
        std::vector<std::int16_t> phrase;
        if (SpokenTake(SpeechVoice::Espeak, name, SpeechLimits{}, phrase) != SpeechEnd::Spoken) {
            std::printf("espeak-ng is needed to speak the phrases\n");
            return 1;
        }
        spoken.push_back(std::move(phrase));
    }

    VoiceBank ten;
    for (std::uint8_t i = 0; i < 10; ++i) {
        Load(ten, i, Coloured(spoken[i], kSources[i], i));
        std::printf("%2d %-22s %5.1f LUFS\n", i, kSources[i].name, PhraseLoudness(ten.Slot(i)).value_or(-99));
    }
    PrintLevels("10 phrases before", ten);
    LevelBank(ten);
    PrintLevels("10 phrases after", ten);

    std::vector<double> seconds;
    double used = 0;
    for (int run = 0; run < runs; ++run) {
        VoiceBank bank;
        for (std::uint8_t slot = 0; slot < kEventSlotCount; ++slot)
            Load(bank, slot, Coloured(spoken[slot], kSources[slot % 10], slot));
        used = bank.UsedSamples() / 8000.0;
        const auto start = std::chrono::steady_clock::now();
        LevelBank(bank);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("43 phrases (%.1f s of speech) levelled in %.3f s (median of %d; %.3f to %.3f)\n", used,
                seconds[seconds.size() / 2], runs, seconds.front(), seconds.back());
}
