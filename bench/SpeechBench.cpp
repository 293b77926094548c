// Times "Озвучить пустые события" without the window: the names of all 43 events spoken into an empty
// bank (synthesis as separate programs, conversion, trimming, encoding). Target: under 3 s.
//   bench-speech [runs]   (default 5; the median and the range are printed)
#include "app/EventNames.h"
#include "take/SpeakEmpty.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::vector<SpeechVoice> voices = InstalledVoices();
    if (voices.empty()) {
        std::printf("no speech synthesiser installed (install %s)\n", kSynthesiserPackage);
        return 1;
    }
    std::vector<double> seconds;
    SpeakEmptyResult result;
    for (int run = 0; run < runs; ++run) {
        VoiceBank bank;
        const auto start = std::chrono::steady_clock::now();
        result = SpeakEmptyEvents(bank, kEventNames, voices.front());
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (run == 0)
            std::printf("filled %d, too long %d, failed %d; %.1f s of speech\n", result.filled,
                        result.tooLong, result.failed, bank.UsedSamples() / 8000.0);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("43 event names spoken into an empty bank (%s): median %.3f s, %.3f-%.3f s over %d runs "
                "(target 3 s)\n",
                voices.front() == SpeechVoice::Espeak ? "espeak-ng" : "festival", seconds[seconds.size() / 2],
                seconds.front(), seconds.back(), runs);
    return result.filled == 43 ? 0 : 1;
}
