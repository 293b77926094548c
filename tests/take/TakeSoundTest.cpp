#include "take/TakeSound.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Recorder final : public ImportReporter {
public:
    void Report(const ImportMessage& message) override { kinds.push_back(message.kind); }
    std::vector<ImportMessageKind> kinds;
};

void Fill(VoiceBank& bank, std::uint8_t slot, std::uint32_t samples) {
    for (std::uint32_t i = 0; i < samples; ++i)
        bank.AppendSample(slot, std::int16_t(i * 37));
}

// A take goes into its slot under the import's rules: the old phrase makes room, what does not fit is
// cut with a warning, a full memory leaves the slot empty.
TEST(LoadTake, KeepsToTheCapacityWithTheImportsMessages) {
    struct Case {
        const char* name;
        std::uint32_t othersHold, slotHolds, takeLength, loaded;
        std::vector<ImportMessageKind> said;
    };
    const std::uint32_t cap = kCapacitySamples;
    const Case cases[] = {
        {"fits", 1000, 0, 8000, 8000, {}},
        {"replaces the old phrase", cap - 9000, 9000, 8000, 8000, {}},
        {"cut to what is free", cap - 5000, 0, 8000, 5000, {ImportMessageKind::Truncated}},
        {"memory full", cap, 10, 8000, 0, {ImportMessageKind::MemoryFull}},
    };
    for (const Case& c : cases) {
        VoiceBank bank;
        Fill(bank, 0, c.othersHold);
        Fill(bank, 7, c.slotHolds);
        EXPECT_EQ(FreeSamplesFor(bank, 7), std::min(cap, cap - c.othersHold)) << c.name;
        Recorder messages;
        const std::vector<std::int16_t> take(c.takeLength, 1000);
        LoadTake(bank, 7, take, messages);
        EXPECT_EQ(bank.Slot(7).count, c.loaded) << c.name;
        EXPECT_EQ(messages.kinds, c.said) << c.name;
    }
}

// A click is far below any loudness target: its peak stops at -1 dBFS.
TEST(PreparedTake, NormalisesThePeakToMinusOneDecibelOnlyWhenAsked) {
    const std::vector<std::int16_t> quiet = {0, 1000, -2000, 500};
    EXPECT_EQ(PreparedTake(quiet, false, -18), quiet);
    const auto loud = PreparedTake(quiet, true, -18);
    EXPECT_NEAR(loud[2], -29204, 2); // 0.8913 of full scale
    EXPECT_NEAR(loud[1], 14602, 2);
}

} // namespace
