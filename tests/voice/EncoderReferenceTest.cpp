#include "voice/Voicebank.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

// The encoder against ffmpeg's adpcm_ima_ssi, an independent encoder of the same shift-and-add
// form that also starts from (0, 0). It writes a 14-byte KVAG header, then the codes with the
// first sample in the high nibble (ours keeps it in the low one).

namespace {

constexpr std::size_t kKvagHeaderSize = 14;

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::int16_t> Samples(const std::vector<std::uint8_t>& s16le) {
    std::vector<std::int16_t> samples(s16le.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(s16le[2 * i] | s16le[2 * i + 1] << 8);
    }
    return samples;
}

void ExpectSameCodes(const std::vector<std::int16_t>& samples, const std::vector<std::uint8_t>& vag) {
    ASSERT_EQ(vag.size(), kKvagHeaderSize + (samples.size() + 1) / 2);
    auto bank = std::make_unique<VoiceBank>();
    for (std::int16_t s : samples) {
        bank->AppendSample(0, s);
    }
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::uint8_t theirs = vag[kKvagHeaderSize + i / 2];
        const std::uint8_t ours = bank->Slot(0).buffer[i / 2];
        const int theirCode = i % 2 == 0 ? theirs >> 4 : theirs & 0x0F;
        const int ourCode = i % 2 == 0 ? ours & 0x0F : ours >> 4;
        ASSERT_EQ(ourCode, theirCode) << "sample " << i << " (" << samples[i] << ")";
    }
}

// Made once with tests/voice/data/make-reference-data.sh; runs without ffmpeg.
TEST(EncoderReference, MatchesStoredOutputOfAnIndependentEncoder) {
    const std::filesystem::path data = VP_VOICE_TEST_DATA;
    const std::vector<std::uint8_t> input = ReadAll(data / "encoder-input.s16");
    ASSERT_EQ(input.size(), 8000U);
    ExpectSameCodes(Samples(input), ReadAll(data / "encoder-input.vag"));
}

// Fresh random input each run, when ffmpeg is at hand.
TEST(EncoderReference, MatchesFfmpegOnRandomInput) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ffmpeg not installed";
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("encoder-reference-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::random_device device;
    const unsigned seed = device();
    std::mt19937 random(seed);
    std::vector<std::int16_t> samples(24000); // even: ffmpeg aborts on an odd last frame
    int level = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int amplitude = 1 << (i / 1000 % 16); // quiet to full scale and back
        level =
            std::clamp(level + static_cast<int>(random() % (2 * amplitude + 1)) - amplitude, -32768, 32767);
        samples[i] = static_cast<std::int16_t>(i % 3000 < 40 ? (i % 2 ? 32767 : -32768) : level);
    }
    std::vector<std::uint8_t> raw;
    for (std::int16_t s : samples) {
        raw.push_back(static_cast<std::uint8_t>(s));
        raw.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
    }
    {
        std::ofstream out(folder / "in.s16", std::ios::binary);
        out.write(reinterpret_cast<const char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    }
    const std::string command = "ffmpeg -loglevel error -y -f s16le -ar 8000 -ac 1 -i '" +
                                (folder / "in.s16").string() + "' -c:a adpcm_ima_ssi -f kvag '" +
                                (folder / "out.vag").string() + "'";
    const int status = std::system(command.c_str());
    const std::vector<std::uint8_t> vag = ReadAll(folder / "out.vag");
    std::filesystem::remove_all(folder);
    ASSERT_EQ(status, 0);
    SCOPED_TRACE("seed " + std::to_string(seed));
    ExpectSameCodes(samples, vag);
}

} // namespace
