#include "audio/Conversion.h"
#include "audio/ImportRecording.h"
#include "audio/Loudness.h"
#include "audio/SoundFile.h"
#include "tests/support/wav/WavBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double kHalfScaleRms = 0.5 / std::numbers::sqrt2 * 32768; // a sine of amplitude 0.5

// Recordings made by ffmpeg at test time, in one folder per test process.
class ConversionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = fs::temp_directory_path() / ("conversion-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }
    void SetUp() override {
        if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ffmpeg not installed";
    }

    // A tone of `hz` at amplitude 0.5, one second long, in each channel (negated in every second
    // one when `opposite`), written by ffmpeg with the output options given.
    static fs::path Make(const std::string& name, const std::string& options, int hz = 1000, int rate = 44100,
                         int channels = 2, bool opposite = false, double amplitude = 0.5) {
        std::string expression;
        for (int c = 0; c < channels; ++c) {
            const bool negated = opposite && c % 2 == 1;
            // Appended piece by piece: GCC 12 -O3 reports a false overlap for a chain of string additions.
            expression += c ? "|" : "";
            expression += negated ? "-" : "";
            expression += std::to_string(amplitude);
            expression += "*sin(2*PI*";
            expression += std::to_string(hz);
            expression += "*t)";
        }
        const fs::path path = folder_ / name;
        const std::string command = "ffmpeg -loglevel error -y -f lavfi -i 'aevalsrc=" + expression +
                                    ":s=" + std::to_string(rate) + ":d=1' " + options + " '" + path.string() +
                                    "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }

    static std::vector<std::int16_t> Convert(const fs::path& path, bool normalise = false,
                                             std::size_t maxSamples = 1u << 20,
                                             double targetLufs = kDefaultTargetLufs) {
        SoundFile file(path);
        EXPECT_TRUE(file.IsOpen()) << path;
        return ConvertForController(file, maxSamples, normalise, targetLufs);
    }

    static fs::path folder_;
};

fs::path ConversionTest::folder_;

// Root mean square of the middle half, away from the filters' settling at both ends.
double MiddleRms(const std::vector<std::int16_t>& s) {
    double sum = 0;
    const std::size_t from = s.size() / 4, to = 3 * s.size() / 4;
    for (std::size_t i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

int Peak(const std::vector<std::int16_t>& s) {
    int peak = 0;
    for (std::int16_t v : s)
        peak = std::max(peak, std::abs(int{v}));
    return peak;
}

TEST_F(ConversionTest, EveryFormatArrivesAsOneSecondAtItsLevel) {
    struct Case {
        const char* name;
        std::string options;
        int rate;
        int channels;
        const char* description;
    };
    const Case cases[] = {
        {"s16.wav", "-c:a pcm_s16le", 44100, 2, "WAV, 44100 Гц, 16 бит, стерео"},
        {"u8.wav", "-c:a pcm_u8", 11025, 1, "WAV, 11025 Гц, 8 бит, моно"},
        {"s24.wav", "-c:a pcm_s24le", 48000, 2, "WAV, 48000 Гц, 24 бит, стерео"},
        {"s32.wav", "-c:a pcm_s32le", 96000, 1, "WAV, 96000 Гц, 32 бит, моно"},
        {"f32.wav", "-c:a pcm_f32le", 22050, 2, "WAV, 22050 Гц, плавающая точка, стерео"},
        {"alaw.wav", "-c:a pcm_alaw", 8000, 2, "WAV, 8000 Гц, A-law, стерео"},
        {"extensible.wav", "-c:a pcm_s16le", 16000, 3, "WAV, 16000 Гц, 16 бит, 3 канала"},
        {"rf64.wav", "-c:a pcm_s16le -rf64 always", 44100, 2, "RF64, 44100 Гц, 16 бит, стерео"},
        {"tone.aiff", "-c:a pcm_s16be", 44100, 2, "AIFF, 44100 Гц, 16 бит, стерео"},
        {"tone.flac", "-c:a flac -sample_fmt s16", 44100, 2, "FLAC, 44100 Гц, 16 бит, стерео"},
        {"tone.ogg", "-c:a libvorbis", 44100, 2, "Ogg Vorbis, 44100 Гц, стерео"},
        {"tone.opus", "-c:a libopus", 48000, 2, "Opus, 48000 Гц, стерео"},
        {"tone.mp3", "-c:a libmp3lame -b:a 128k", 44100, 2, "MP3, 44100 Гц, стерео"},
        // Variable bit rate and no header that counts the frames: the length is only known at the end.
        {"vbr.mp3", "-c:a libmp3lame -q:a 6 -write_xing 0", 44100, 1, "MP3, 44100 Гц, моно"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = Make(c.name, c.options, 1000, c.rate, c.channels);
        {
            SoundFile file(path);
            ASSERT_TRUE(file.IsOpen());
            EXPECT_EQ(DescribeSound(file.Info()), c.description);
            EXPECT_FALSE(IsAacOrM4a(std::unique_ptr<std::FILE, int (*)(std::FILE*)>(
                                        std::fopen(path.string().c_str(), "rb"), &std::fclose)
                                        .get()));
        }
        const std::vector<std::int16_t> samples = Convert(path);
        EXPECT_NEAR(double(samples.size()), 8000, 400); // lossy coders add their priming
        EXPECT_NEAR(20 * std::log10(MiddleRms(samples) / kHalfScaleRms), 0, 0.5);
    }
}

TEST_F(ConversionTest, A1kHzToneAt44100StereoArrivesAt1kHz) {
    const std::vector<std::int16_t> samples = Convert(Make("1k.wav", "-c:a pcm_s16le"));
    ASSERT_EQ(samples.size(), 8000u);
    int crossings = 0;
    for (std::size_t i = 2001; i < 6000; ++i)
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    EXPECT_NEAR(crossings, 1000, 2); // two per period over half a second
}

TEST_F(ConversionTest, ATonePastTheControllersBandComesOutAtLeast60dBDown) {
    const std::vector<std::int16_t> samples = Convert(Make("5k.wav", "-c:a pcm_s16le", 5000));
    EXPECT_LE(20 * std::log10(MiddleRms(samples) / kHalfScaleRms), -60);
}

TEST_F(ConversionTest, ChannelsInOppositePhaseMixToSilenceEvenWhenNormalised) {
    const std::vector<std::int16_t> samples =
        Convert(Make("opposite.wav", "-c:a pcm_s16le", 1000, 44100, 2, true), true);
    EXPECT_EQ(samples.size(), 8000u);
    EXPECT_LE(Peak(samples), 1);
}

TEST_F(ConversionTest, NormalisingBringsTheLoudnessToTheTargetThePeakNoHigherThanMinus1dBFS) {
    const fs::path quiet = Make("quiet.flac", "-c:a flac -sample_fmt s16", 1000, 44100, 2, false, 0.05);
    EXPECT_NEAR(Loudness(Convert(quiet, true)).value_or(0), -18, 0.2);
    EXPECT_NEAR(Peak(Convert(quiet, true, 1u << 20, 0)), 29205, 1);            // 0 LUFS is out of reach
    EXPECT_NEAR(MiddleRms(Convert(quiet, false)) / kHalfScaleRms, 0.1, 0.002); // left alone unasked
}

TEST_F(ConversionTest, ReadingStopsOnceTheSamplesWantedAreCertain) {
    EXPECT_EQ(Convert(Make("cut.mp3", "-c:a libmp3lame"), true, 1000).size(), 1000u);
    EXPECT_EQ(Convert(Make("cut.wav", "-c:a pcm_s16le"), true, 1).size(), 1u);
}

TEST_F(ConversionTest, ARecordingTooShortForOneSampleAtItsRateGivesNone) {
    WaveFormat fast;
    fast.samplesPerSecond = 1000000;
    fast.bytesPerSecond = 2000000;
    const fs::path path = folder_ / "fast.wav";
    wavtest::WriteFile(path, wavtest::WavBuilder().Fmt(fast).Data(wavtest::Signal(50)).Build());
    EXPECT_TRUE(Convert(path, true).empty());
}

class Messages final : public ImportQuestions {
public:
    void Report(const ImportMessage& message) override { kinds.push_back(message.kind); }
    bool LoadBeginning(const ImportMessage& cut) override {
        Report(cut);
        total = cut.fileSamples;
        return true;
    }
    std::vector<ImportMessageKind> kinds;
    std::uint32_t total = 0;
};

TEST_F(ConversionTest, M4aAndAacAreRecognisedAndRefusedByName) {
    auto bank = std::make_unique<VoiceBank>();
    for (const char* name : {"tone.m4a", "tone.aac"}) {
        const fs::path path = Make(name, "-c:a aac");
        EXPECT_FALSE(SoundFile(path).IsOpen()) << name;
        Messages messages;
        EXPECT_EQ(ImportRecording(*bank, 0, path, {}, messages).outcome, ImportOutcome::Unchanged);
        EXPECT_EQ(messages.kinds, std::vector{ImportMessageKind::AacOrM4a}) << name;
    }
    EXPECT_NE(std::string(ImportMessageFor(ImportMessageKind::AacOrM4a).text).find("M4A"), std::string::npos);
}

TEST_F(ConversionTest, ImportFollowsTheCapacityRulesOfAWavImport) {
    const fs::path path = Make("import.mp3", "-c:a libmp3lame");
    auto bank = std::make_unique<VoiceBank>();
    Messages messages;
    EXPECT_EQ(ImportRecording(*bank, 0, path, {}, messages).outcome, ImportOutcome::Loaded);
    EXPECT_TRUE(messages.kinds.empty());
    // The slot holds the converted recording, encoded from the state (0, 0).
    auto expected = std::make_unique<VoiceBank>();
    for (std::int16_t s : Convert(path, true))
        expected->AppendSample(0, s);
    EXPECT_EQ(bank->Slot(0).count, expected->Slot(0).count);
    EXPECT_EQ(bank->Slot(0).buffer, expected->Slot(0).buffer);

    for (std::uint32_t i = 0; i < kCapacitySamples - 4000; ++i)
        bank->AppendSample(1, 0);
    EXPECT_EQ(ImportRecording(*bank, 0, path, {}, messages).outcome, ImportOutcome::Loaded);
    EXPECT_EQ(messages.kinds, std::vector{ImportMessageKind::Truncated});
    EXPECT_NEAR(double(messages.total), 8000, 400); // counted to the end before the question
    EXPECT_EQ(bank->Slot(0).count, 4000u);
    EXPECT_EQ(bank->FreeSamples(), 0u);

    for (std::uint32_t i = 0; i < 4000; ++i)
        bank->AppendSample(1, 0);
    messages.kinds.clear();
    EXPECT_EQ(ImportRecording(*bank, 0, path, {}, messages).outcome, ImportOutcome::Emptied);
    EXPECT_EQ(messages.kinds, std::vector{ImportMessageKind::MemoryFull});
    EXPECT_EQ(bank->Slot(0).count, 0u);

    messages.kinds.clear();
    EXPECT_EQ(ImportRecording(*bank, 2, folder_ / "missing.mp3", {}, messages).outcome,
              ImportOutcome::Unchanged);
    EXPECT_EQ(messages.kinds, std::vector{ImportMessageKind::CannotOpen});

    // Too short for one sample at 8000 Hz: nothing to load, and the slot stays.
    WaveFormat fast;
    fast.samplesPerSecond = 1000000;
    fast.bytesPerSecond = 2000000;
    const fs::path tiny = folder_ / "tiny.wav";
    wavtest::WriteFile(tiny, wavtest::WavBuilder().Fmt(fast).Data(wavtest::Signal(50)).Build());
    bank->ClearSlot(1);
    bank->AppendSample(2, 0);
    messages.kinds.clear();
    EXPECT_EQ(ImportRecording(*bank, 2, tiny, {}, messages).outcome, ImportOutcome::Unchanged);
    EXPECT_EQ(messages.kinds, std::vector{ImportMessageKind::NoSound});
    EXPECT_EQ(bank->Slot(2).count, 1u);
}

} // namespace
