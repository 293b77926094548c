// Times "Озвучить пустые события" without the window: the names of all 43 events spoken into an empty
// bank (synthesis as separate programs, conversion, trimming, encoding). Target: under 3 s.
//   bench-speech [runs] [festival]   (default 5 runs with espeak-ng; the median and the range are printed)
#include "take/SpeakEmpty.h"
#include "voice/EventNames.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const SpeechVoice voice =
        argc > 2 && std::string_view(argv[2]) == "festival" ? SpeechVoice::Festival : SpeechVoice::Espeak;
    const std::vector<SpeechVoice> voices = InstalledVoices();
    if (std::find(voices.begin(), voices.end(), voice) == voices.end()) {
        std::printf("that speech synthesiser is not installed\n");
        return 1;
    }
    std::vector<double> seconds;
    SpeakEmptyResult result;
    for (int run = 0; run < runs; ++run) {
        VoiceBank bank;
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::uint8_t> events = EmptyEvents(bank, kEventNames.size());
        std::vector<const char*> texts;
        for (const std::uint8_t event : events)
            texts.push_back(kEventNames[event]);
        std::atomic<int> done{0};
        const SpokenTakes spoken =
            SpeakAll(texts, voice, SpeechLimits{double(bank.FreeSamples()) / 8000}, done);
        result = FillEmptyEvents(bank, events, spoken);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (run == 0)
            std::printf("filled %d, too long %d, failed %d; %.1f s of speech\n", result.filled,
                        result.tooLong, result.failed, bank.UsedSamples() / 8000.0);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("43 event names spoken into an empty bank (%s): median %.3f s, %.3f-%.3f s over %d runs "
                "(target 3 s)\n",
                voice == SpeechVoice::Espeak ? "espeak-ng" : "festival", seconds[seconds.size() / 2],
                seconds.front(), seconds.back(), runs);
    return result.filled == 43 ? 0 : 1;
}
