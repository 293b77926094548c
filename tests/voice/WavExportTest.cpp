#include "voice/WavExport.h"

#include "tests/support/wav/WavBuilder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

TEST(WavExport, WritesTheCanonicalLayoutAndReplacesAnOlderFile) {
    const auto path =
        std::filesystem::temp_directory_path() / ("export-" + std::to_string(::getpid()) + ".wav");
    for (std::size_t count : {std::size_t{3}, std::size_t{0}}) {
        const std::vector<std::int16_t> samples = wavtest::Signal(count);
        ASSERT_TRUE(WriteWavFile(path, samples));
        std::ifstream in(path, std::ios::binary);
        const wavtest::Bytes written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(written, wavtest::CanonicalWav(samples)) << count;
    }
    std::filesystem::remove(path);
    EXPECT_FALSE(WriteWavFile("/nonexistent/folder/x.wav", {}));
}

} // namespace
