#include "take/Trim.h"
#include "take/Waveform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace {

constexpr std::size_t kMs = kSampleRate / 1000;

// Silence (or a quiet hiss), a tone burst, silence again.
std::vector<std::int16_t> Burst(std::size_t before, std::size_t length, std::size_t after, double amplitude,
                                int hiss = 0) {
    std::vector<std::int16_t> take(before + length + after);
    std::srand(7);
    for (std::size_t i = 0; i < take.size(); ++i) {
        const double tone = i >= before && i < before + length
                                ? amplitude * std::sin(2 * std::numbers::pi * 440 * double(i) / kSampleRate)
                                : 0;
        take[i] = std::int16_t(std::lround(tone) + (hiss ? std::rand() % (2 * hiss + 1) - hiss : 0));
    }
    return take;
}

struct TrimCase {
    const char* name;
    std::size_t before, length, after;
    double amplitude;
    int hiss;
};

void PrintTo(const TrimCase& c, std::ostream* out) {
    *out << c.name;
}

class TrimSilenceTest : public ::testing::TestWithParam<TrimCase> {};

// The markers land within 10 ms of the burst's edges plus the margins, or at the take's ends.
TEST_P(TrimSilenceTest, MarkersFollowTheBurst) {
    const TrimCase& c = GetParam();
    const auto take = Burst(c.before, c.length, c.after, c.amplitude, c.hiss);
    const TakeRange range = TrimSilence(take);
    const double wantBegin = std::max(0.0, double(c.before) - double(kTrimMarginSamples));
    const double wantEnd = std::min(double(take.size()), double(c.before + c.length + kTrimMarginSamples));
    EXPECT_NEAR(double(range.begin), wantBegin, 10 * kMs) << c.name;
    EXPECT_NEAR(double(range.end), wantEnd, 10 * kMs) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Takes, TrimSilenceTest,
                         ::testing::Values(TrimCase{"loud", 8000, 4000, 8000, 20000, 0},
                                           TrimCase{"quiet", 5003, 1234, 3001, 300, 0},
                                           TrimCase{"room noise", 8000, 4000, 8000, 8000, 200},
                                           TrimCase{"sound at once", 0, 4000, 4000, 10000, 0},
                                           TrimCase{"sound to the end", 4000, 4000, 0, 10000, 0},
                                           TrimCase{"margins cut by the ends", 300, 800, 200, 10000, 0}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == ' ')
                                     ch = '_';
                             return name;
                         });

TEST(TrimSilence, TakeWithoutSoundIsKeptWhole) {
    for (const auto& take :
         {std::vector<std::int16_t>{}, std::vector<std::int16_t>(8000), Burst(8000, 0, 0, 0, 20)}) {
        const TakeRange range = TrimSilence(take);
        EXPECT_EQ(range.begin, 0u);
        EXPECT_EQ(range.end, take.size());
    }
}

TEST(WaveColumns, LowestAndHighestUnderEachColumn) {
    const std::vector<std::int16_t> take = {1, -5, 3, 9, -2, 0, 7, -8};
    const auto columns = WaveColumns(take, 4);
    ASSERT_EQ(columns.size(), 4u);
    const std::int16_t low[] = {-5, 3, -2, -8}, high[] = {1, 9, 0, 7};
    for (std::size_t c = 0; c < 4; ++c) {
        EXPECT_EQ(columns[c].low, low[c]) << c;
        EXPECT_EQ(columns[c].high, high[c]) << c;
    }
    // More columns than samples: every column shows a sample, none reads past the take.
    const auto wide = WaveColumns(std::vector<std::int16_t>{4, -4}, 5);
    ASSERT_EQ(wide.size(), 5u);
    EXPECT_EQ(wide[0].high, 4);
    EXPECT_EQ(wide[4].low, -4);
    EXPECT_TRUE(WaveColumns({}, 10).empty());
}

} // namespace
