#include "take/TakeSound.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(PreparedTake, NormalisesThePeakToMinusOneDecibelOnlyWhenAsked) {
    const std::vector<std::int16_t> quiet = {0, 1000, -2000, 500};
    EXPECT_EQ(PreparedTake(quiet, false), quiet);
    const auto loud = PreparedTake(quiet, true);
    EXPECT_NEAR(loud[2], -29204, 2); // 0.8913 of full scale
    EXPECT_NEAR(loud[1], 14602, 2);
}

} // namespace
