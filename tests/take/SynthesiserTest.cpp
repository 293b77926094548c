#include "take/Synthesiser.h"
#include "take/RunProgram.h"
#include "take/StreamedWav.h"
#include "voice/EventNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#ifndef _WIN32
#include <unistd.h>
#endif

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
    // A data size the stream holds ends the data where a chunk follows; 0 is the unfilled size.
    const auto withDataSize = [](std::string_view size) {
        const std::string header = WavHeader(22050, 1, 1, 16);
        return header.substr(0, header.size() - 4) + std::string(size) +
               std::string("\x01\x00\xff\xffLIST", 8);
    };
    EXPECT_EQ(ReadStreamedWav(withDataSize({"\x02\0\0\0", 4})).value().samples,
              (std::vector<std::int16_t>{1}));
    EXPECT_EQ(ReadStreamedWav(withDataSize({"\0\0\0\0", 4})).value().samples.size(), 4U);
    for (const std::string& bad : {WavHeader(22050, 3, 1, 16), WavHeader(22050, 1, 2, 16),
                                   WavHeader(22050, 1, 1, 8), std::string("RIFF"), std::string()})
        EXPECT_FALSE(ReadStreamedWav(bad));
}

// The host's own programs: an echo of the input, an exit code, one that ignores its input, a wait.
struct HostCommands {
    std::vector<std::string> echo, exit3, ignoreInput, wait;
    std::string echoed, shell;
};
#ifdef _WIN32
const HostCommands kHost{{"cmd", "/v:on", "/c", "set /p line=& echo !line!"},
                         {"cmd", "/c", "exit 3"},
                         {"cmd", "/c", "exit 0"},
                         {"ping", "-n", "30", "127.0.0.1"},
                         "Привет\r\n",
                         "cmd"};
#else
const HostCommands kHost{{"cat"}, {"sh", "-c", "exit 3"}, {"true"}, {"sleep", "30"}, "Привет\n", "sh"};
#endif

TEST(RunProgram, FeedsInputCollectsOutputAndKeepsToItsTimeLimit) {
    const ProgramRun echo = RunProgram(kHost.echo, "Привет\n", 10s);
    EXPECT_TRUE(echo.started);
    EXPECT_EQ(echo.exitCode, 0);
    EXPECT_EQ(echo.output, kHost.echoed);

    EXPECT_FALSE(RunProgram({"no-such-program-here"}, "", 10s).started);
    EXPECT_EQ(RunProgram(kHost.exit3, "", 10s).exitCode, 3);
    // A program that ignores a large input ends without harm to this one.
    EXPECT_EQ(RunProgram(kHost.ignoreInput, std::string(1 << 20, 'x'), 10s).exitCode, 0);
    EXPECT_EQ(RunProgram(kHost.wait, "", 100ms).exitCode, -1);

    EXPECT_TRUE(ProgramInstalled(kHost.shell));
    EXPECT_FALSE(ProgramInstalled("no-such-program-here"));
}

#ifndef _WIN32 // POSIX processes and shell scripts

// Gone, or a zombie nobody reaps: nothing runs any more.
bool Gone(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const std::size_t end = line.rfind(')');
    return end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'Z';
}

// A program that writes without end is cut at the output limit; a stop kills at once everything it
// started, also a child that holds its output open.
TEST(RunProgram, OutputLimitAndStopEndTheRunAndAllItStarted) {
    const ProgramRun endless = RunProgram({"sh", "-c", "yes"}, "", RunLimits{30s, 1 << 20});
    EXPECT_TRUE(endless.tooMuchOutput);
    EXPECT_LE(endless.output.size(), 1u << 20);
    EXPECT_EQ(endless.exitCode, -1);

    const std::filesystem::path pidFile =
        std::filesystem::temp_directory_path() / ("run-program-test-" + std::to_string(::getpid()));
    std::stop_source stop;
    std::jthread stopper([&](std::stop_token ended) {
        std::error_code ignored;
        while (!ended.stop_requested() && !std::filesystem::exists(pidFile, ignored))
            std::this_thread::yield();
        stop.request_stop();
    });
    const std::string started = pidFile.string();
    const ProgramRun run = RunProgram(
        {"sh", "-c",
         "sleep 600 & echo $! > " + started + ".new && mv " + started + ".new " + started + "; wait"},
        "", RunLimits{600s, 1 << 20, stop.get_token()});
    EXPECT_TRUE(run.stopped);
    std::ifstream file(pidFile);
    std::string child;
    ASSERT_TRUE(std::getline(file, child));
    std::filesystem::remove(pidFile);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!Gone(child) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_TRUE(Gone(child));
}

// A synthesiser that writes a valid header and then without end gives an error, not all its output.
TEST(Synthesiser, OutputBeyondTheLongestPhraseIsAnError) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("synthesiser-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "header.wav") << WavHeader(22050, 1, 1, 16);
    std::ofstream(folder / "espeak-ng")
        << "#!/bin/sh\ncat " << (folder / "header.wav").string() << "\nexec cat /dev/zero\n";
    std::filesystem::permissions(folder / "espeak-ng", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (folder.string() + ":" + path).c_str(), 1);
    SpokenText spoken;
    const SpeechEnd end = Speak(SpeechVoice::Espeak, "слово", SpeechLimits{1.0}, spoken);
    ::setenv("PATH", path.c_str(), 1);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(end, SpeechEnd::TooLong);
    EXPECT_TRUE(spoken.samples.empty());
}

#endif

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
    EXPECT_NE(std::string(kMissingVoice.remedy).find("espeak-ng"), std::string::npos);
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

// Windows' own Russian voice speaks when there is one. Where there is none (Linux; Wine, whose one voice
// has no language) it is neither offered nor speaks.
TEST(Synthesiser, SystemVoiceSpeaksEventNamesOnlyWhereARussianOneIsInstalled) {
    if (!Installed(SpeechVoice::System)) {
        EXPECT_FALSE(Speak(SpeechVoice::System, kEventNames[0]));
        return;
    }
    for (const std::size_t event : {0u, 3u, 19u, 34u})
        ExpectSpokenPhrase(SpeechVoice::System, kEventNames[event]);
}

} // namespace
