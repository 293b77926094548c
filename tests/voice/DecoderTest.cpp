#include "voice/Adpcm.h"
#include "voice/Voicebank.h"

#include "tests/support/wav/WavBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Signals that reach both rails, both ends of the step table, silence and an odd length.
std::vector<std::vector<std::int16_t>> Signals(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::int16_t> noise(20001), square(4000), mixed = wavtest::Signal(12345, seed);
    for (auto& s : noise)
        s = static_cast<std::int16_t>(random());
    for (std::size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 100) % 2 ? 32767 : -32768;
    return {noise, square, mixed, std::vector<std::int16_t>(101, 0), {1000, 1000, 1000}};
}

// Encodes into slot 0 and keeps the encoder's prediction after each sample.
std::vector<std::int16_t> EncodeKeepingPredictions(VoiceBank& bank, const std::vector<std::int16_t>& in) {
    bank.ClearSlot(0);
    std::vector<std::int16_t> predicted;
    for (std::int16_t s : in) {
        bank.AppendSample(0, s);
        predicted.push_back(static_cast<std::int16_t>(bank.EncoderState().predicted));
    }
    return predicted;
}

TEST(Decoder, ASlotDecodesToTheEncodersPredictionsAlsoAfterPackingAndUnpacking) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    auto bank = std::make_unique<VoiceBank>();
    for (const auto& signal : Signals(seed)) {
        const std::vector<std::int16_t> predicted = EncodeKeepingPredictions(*bank, signal);
        EXPECT_EQ(DecodeSlot(bank->Slot(0)), predicted) << signal.size() << " samples";
        bank->PackImage();
        bank->UnpackImage(true);
        EXPECT_EQ(DecodeSlot(bank->Slot(0)), predicted) << signal.size() << " samples, unpacked";
    }
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// ffmpeg's adpcm_ima_ssi decoder reads the same codes from a KVAG file, first sample in the high
// nibble: an independent decoder of the controller's form.
TEST(Decoder, AgreesWithFfmpegsDecoderOfTheSameCodes) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg not installed";
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    auto bank = std::make_unique<VoiceBank>();
    std::vector<std::int16_t> signal = Signals(seed)[0];
    signal.pop_back(); // even: ffmpeg would decode the last byte's second nibble too
    EncodeKeepingPredictions(*bank, signal);
    const std::uint32_t bytes = static_cast<std::uint32_t>(signal.size() / 2);
    std::vector<std::uint8_t> vag = {'K', 'V', 'A', 'G'};
    Put(vag, bytes, 4);
    Put(vag, 8000, 4);
    Put(vag, 0, 2); // mono
    for (std::uint32_t i = 0; i < bytes; ++i) {
        const std::uint8_t b = bank->Slot(0).buffer[i];
        vag.push_back(static_cast<std::uint8_t>(b << 4 | b >> 4));
    }
    const auto folder =
        std::filesystem::temp_directory_path() / ("decoder-peer-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    wavtest::WriteFile(folder / "in.vag", vag);
    const std::string command = "ffmpeg -loglevel error -y -f kvag -i '" + (folder / "in.vag").string() +
                                "' -f s16le '" + (folder / "out.s16").string() + "'";
    const int status = std::system(command.c_str());
    const std::vector<std::uint8_t> raw = ReadAll(folder / "out.s16");
    std::filesystem::remove_all(folder);
    ASSERT_EQ(status, 0);
    std::vector<std::int16_t> theirs(raw.size() / 2);
    for (std::size_t i = 0; i < theirs.size(); ++i)
        theirs[i] = static_cast<std::int16_t>(raw[2 * i] | raw[2 * i + 1] << 8);
    EXPECT_EQ(DecodeSlot(bank->Slot(0)), theirs);
}

} // namespace
