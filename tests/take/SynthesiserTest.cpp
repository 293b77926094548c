#include "take/Synthesiser.h"
#include "take/RunProgram.h"
#include "take/StreamedWav.h"
#include "voice/EventNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace std::chrono_literals;

namespace {

std::string WavHeader(std::uint32_t rate, std::uint16_t format, std::uint16_t channels, std::uint16_t bits) {
    std::string h = "RIFF\xff\xff\xff\xffWAVEfmt ";
    const auto put = [&h](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            h.push_back(char(v >> (8 * i)));
    };
    put(16, 4);
    put(format, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * bits / 8, 4);
    put(channels * bits / 8, 2);
    put(bits, 2);
    h += "LIST";
    put(3, 4);
    h += "abc";
    h.push_back('\0'); // pad byte of the odd chunk
    return h + "data\xff\xff\xff\x7f";
}

TEST(StreamedWav, DataRunsToTheEndWhateverTheSizesSay) {
    const auto spoken = ReadStreamedWav(WavHeader(22050, 1, 1, 16) + std::string("\x01\x00\xff\xff\x05", 5));
    ASSERT_TRUE(spoken);
    EXPECT_EQ(spoken->rate, 22050);
    EXPECT_EQ(spoken->samples, (std::vector<std::int16_t>{1, -1}));
    for (const std::string& bad : {WavHeader(22050, 3, 1, 16), WavHeader(22050, 1, 2, 16),
                                   WavHeader(22050, 1, 1, 8), std::string("RIFF"), std::string()})
        EXPECT_FALSE(ReadStreamedWav(bad));
}

TEST(RunProgram, FeedsInputCollectsOutputAndKeepsToItsTimeLimit) {
#ifdef _WIN32
    GTEST_SKIP() << "runs POSIX programs (cat, sh, true, sleep), which Windows has not";
#endif
    const ProgramRun echo = RunProgram({"cat"}, "Привет", 10s);
    EXPECT_TRUE(echo.started);
    EXPECT_EQ(echo.exitCode, 0);
    EXPECT_EQ(echo.output, "Привет");

    EXPECT_FALSE(RunProgram({"no-such-program-here"}, "", 10s).started);
    EXPECT_EQ(RunProgram({"sh", "-c", "exit 3"}, "", 10s).exitCode, 3);
    // A program that ignores a large input ends without harm to this one.
    EXPECT_EQ(RunProgram({"true"}, std::string(1 << 20, 'x'), 10s).exitCode, 0);
    EXPECT_EQ(RunProgram({"sleep", "30"}, "", 100ms).exitCode, -1);

    EXPECT_TRUE(ProgramInstalled("sh"));
    EXPECT_FALSE(ProgramInstalled("no-such-program-here"));
}

int Peak(const SpokenText& spoken) {
    int peak = 0;
    for (const std::int16_t s : spoken.samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}

void ExpectSpokenPhrase(SpeechVoice voice, const char* text) {
    const auto spoken = Speak(voice, text);
    ASSERT_TRUE(spoken) << text;
    const double seconds = double(spoken->samples.size()) / spoken->rate;
    EXPECT_GE(seconds, 0.3) << text;
    EXPECT_LE(seconds, 6.0) << text;
    EXPECT_GT(Peak(*spoken), 3000) << text;
    const auto again = Speak(voice, text);
    ASSERT_TRUE(again);
    EXPECT_EQ(spoken->samples, again->samples) << text;
}

bool Installed(SpeechVoice voice) {
    const auto voices = InstalledVoices();
    return std::find(voices.begin(), voices.end(), voice) != voices.end();
}

TEST(Synthesiser, EspeakSpeaksEveryEventNameTheSameWayTwice) {
    if (!Installed(SpeechVoice::Espeak))
        GTEST_SKIP() << "espeak-ng is not installed";
    EXPECT_EQ(std::string(kSynthesiserPackage), "espeak-ng");
    for (const char* name : kEventNames)
        ExpectSpokenPhrase(SpeechVoice::Espeak, name);
    // A leading dash is text, not an option.
    EXPECT_TRUE(Speak(SpeechVoice::Espeak, "-v en привет"));
}

TEST(Synthesiser, FestivalSpeaksEventNamesTheSameWayTwice) {
    if (!Installed(SpeechVoice::Festival))
        GTEST_SKIP() << "festival with its Russian voice (festvox-ru) is not installed";
    // The slow voice: the names with quotes, digits, dashes, brackets and a slash.
    for (const std::size_t event : {0u, 3u, 19u, 34u})
        ExpectSpokenPhrase(SpeechVoice::Festival, kEventNames[event]);
}

} // namespace
