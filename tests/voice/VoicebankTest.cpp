#include "voice/Voicebank.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

struct State {
    std::int32_t predicted;
    int stepIndex;
};

std::array<std::uint8_t, 6> Entry(const VoiceBank& bank, std::uint8_t slot) {
    std::array<std::uint8_t, 6> entry{};
    std::copy_n(bank.image.begin() + 6 * slot, 6, entry.begin());
    return entry;
}

void SetEntry(VoiceBank& bank, std::uint8_t slot, std::uint32_t address, std::uint32_t count) {
    std::uint8_t* e = bank.image.data() + 6 * slot;
    for (int i = 0; i < 3; ++i) {
        e[i] = static_cast<std::uint8_t>(address >> (8 * i));
        e[3 + i] = static_cast<std::uint8_t>(count >> (8 * i));
    }
}

void Fill(VoiceBank& bank, std::uint8_t slot, std::uint32_t samples) {
    for (std::uint32_t i = 0; i < samples; ++i) {
        bank.AppendSample(slot, static_cast<std::int16_t>((i * 7919) % 4000 - 2000));
    }
}

// Total bytes the directory claims, checked against the data area.
std::size_t DirectoryBytes(const VoiceBank& bank) {
    std::size_t total = 0;
    for (std::uint8_t i = 0; i < kSlotCount; ++i) {
        total += (bank.DirectoryEntry(i).count + 1) / 2;
    }
    return total;
}

class VoiceBankTest : public testing::Test {
protected:
    std::unique_ptr<VoiceBank> bank = std::make_unique<VoiceBank>();
};

TEST_F(VoiceBankTest, EncoderFollowsTheWorkedValuesFromTheResetState) {
    const std::vector<std::pair<std::int16_t, std::pair<int, State>>> steps = {
        {1000, {7, {11, 8}}}, {1000, {7, {41, 16}}}, {1000, {7, {104, 24}}}};
    for (const auto& [sample, expected] : steps) {
        EXPECT_EQ(bank->EncodeSample(sample), expected.first);
        EXPECT_EQ(bank->EncoderState().predicted, expected.second.predicted);
        EXPECT_EQ(int{bank->EncoderState().stepIndex}, expected.second.stepIndex);
    }
    bank->ResetEncoder();
    EXPECT_EQ(bank->EncodeSample(-1000), 15);
    EXPECT_EQ(bank->EncoderState().predicted, -11);
    EXPECT_EQ(int{bank->EncoderState().stepIndex}, 8);
    bank->ResetEncoder();
    EXPECT_EQ(bank->EncodeSample(0), 0);
    EXPECT_EQ(bank->EncoderState().predicted, 0);
    EXPECT_EQ(int{bank->EncoderState().stepIndex}, 0);
}

TEST_F(VoiceBankTest, SampleEqualToPredictionStillMovesItByAnEighthStep) {
    bank->EncodeSample(1000); // state (11, 8), step 16
    EXPECT_EQ(bank->EncodeSample(11), 0);
    EXPECT_EQ(bank->EncoderState().predicted, 13);
    EXPECT_EQ(int{bank->EncoderState().stepIndex}, 7);
}

// Full-scale swings drive the step index to both ends of the table and the prediction to both
// rails; neither may leave its range.
TEST_F(VoiceBankTest, EncoderStateStaysWithinItsBoundsAtFullScale) {
    int highestIndex = 0;
    int lowestIndex = 88;
    std::int32_t highest = 0;
    std::int32_t lowest = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::int16_t sample = (i / 100) % 2 == 0 ? 32767 : -32768;
        bank->EncodeSample(sample);
        const AdpcmEncoderState& s = bank->EncoderState();
        ASSERT_GE(s.predicted, -32768);
        ASSERT_LE(s.predicted, 32767);
        ASSERT_GE(s.stepIndex, 0);
        ASSERT_LE(s.stepIndex, 88);
        highestIndex = std::max<int>(highestIndex, s.stepIndex);
        lowestIndex = std::min<int>(lowestIndex, s.stepIndex);
        highest = std::max(highest, s.predicted);
        lowest = std::min(lowest, s.predicted);
    }
    EXPECT_EQ(highestIndex, 88);
    EXPECT_EQ(lowestIndex, 0);
    EXPECT_EQ(highest, 32767);
    EXPECT_EQ(lowest, -32768);
}

TEST_F(VoiceBankTest, NewAndClearedBanksPackToTheEmptyImage) {
    const std::array<std::uint8_t, 6> empty = {0x2C, 0x01, 0, 0, 0, 0};
    bank->PackImage();
    for (std::uint8_t i = 0; i < kSlotCount; ++i) {
        ASSERT_EQ(Entry(*bank, i), empty) << "slot " << int(i);
    }
    EXPECT_TRUE(std::all_of(bank->image.begin() + kDirectorySize, bank->image.end(),
                            [](std::uint8_t b) { return b == 0; }));

    Fill(*bank, 3, 1001);
    bank->ClearAllSlots();
    bank->PackImage();
    for (std::uint8_t i = 0; i < kSlotCount; ++i) {
        ASSERT_EQ(Entry(*bank, i), empty) << "slot " << int(i);
    }
}

TEST_F(VoiceBankTest, OddCountsOccupyWholeBytesWithAZeroHighNibble) {
    bank->AppendSample(0, 1000); // code 7
    Fill(*bank, 1, 3);
    bank->AppendSample(2, -1000);
    bank->PackImage();
    EXPECT_EQ(bank->Slot(0).buffer[0], 0x07);
    EXPECT_EQ(bank->image[300], 0x07);
    EXPECT_EQ(bank->DirectoryEntry(1).address, 301U);
    EXPECT_EQ(bank->DirectoryEntry(1).count, 3U);
    EXPECT_EQ(bank->DirectoryEntry(2).address, 303U);
    EXPECT_EQ(bank->image[303], 0x0F);
    for (std::uint8_t i = 3; i < kSlotCount; ++i) {
        ASSERT_EQ(bank->DirectoryEntry(i).address, 304U);
        ASSERT_EQ(bank->DirectoryEntry(i).count, 0U);
    }
}

TEST_F(VoiceBankTest, CodesFillLowNibbleFirst) {
    bank->AppendSample(5, 1000);  // 7
    bank->AppendSample(5, -1000); // sign set
    const std::uint8_t first = bank->Slot(5).buffer[0];
    EXPECT_EQ(first & 0x0F, 0x07);
    EXPECT_EQ(first >> 4, 0x0F);
    EXPECT_EQ(bank->Slot(5).count, 2U);
}

TEST_F(VoiceBankTest, FullSlotDropsSamplesWithoutTouchingTheEncoder) {
    Fill(*bank, 7, kCapacitySamples);
    ASSERT_EQ(bank->Slot(7).count, kCapacitySamples);
    const AdpcmEncoderState before = bank->EncoderState();
    const VoiceImage buffer = bank->Slot(7).buffer;
    bank->AppendSample(7, 12345);
    EXPECT_EQ(bank->Slot(7).count, kCapacitySamples);
    EXPECT_EQ(bank->EncoderState().predicted, before.predicted);
    EXPECT_EQ(int{bank->EncoderState().stepIndex}, before.stepIndex);
    EXPECT_TRUE(bank->Slot(7).buffer == buffer);
    EXPECT_EQ(bank->FreeSamples(), 0U);
    EXPECT_EQ(bank->UsedSamples(), kCapacitySamples);
}

TEST_F(VoiceBankTest, FreeAndUsedSaturateBeyondTheCapacity) {
    Fill(*bank, 0, kCapacitySamples);
    Fill(*bank, 1, 10);
    EXPECT_EQ(bank->FreeSamples(), 0U);
    EXPECT_EQ(bank->UsedSamples(), kCapacitySamples);
}

TEST_F(VoiceBankTest, OddCountsAreChargedWholeBytes) {
    Fill(*bank, 0, 1);
    Fill(*bank, 1, 4);
    EXPECT_EQ(bank->UsedSamples(), 6U);
    EXPECT_EQ(bank->FreeSamples(), kCapacitySamples - 6);
    EXPECT_EQ(bank->FreeSamples() + bank->UsedSamples(), kCapacitySamples);
}

// Filling each event slot with an odd count and then the rest up to FreeSamples must still pack
// inside the image.
TEST_F(VoiceBankTest, BankFilledToFreeSamplesAlwaysFitsTheImage) {
    for (std::uint8_t i = 0; i < kEventSlotCount - 1; ++i) {
        Fill(*bank, i, 2 * i + 1);
    }
    Fill(*bank, kEventSlotCount - 1, bank->FreeSamples());
    EXPECT_EQ(bank->FreeSamples(), 0U);
    const std::uint32_t lastCount = bank->Slot(kEventSlotCount - 1).count;
    bank->PackImage();
    EXPECT_EQ(DirectoryBytes(*bank), kDataAreaSize);
    EXPECT_EQ(bank->DirectoryEntry(kEventSlotCount - 1).count, lastCount);
    EXPECT_EQ(bank->DirectoryEntry(kSlotCount - 1).address, kImageSize);
}

TEST_F(VoiceBankTest, UnpackingAPackedImageAndPackingAgainReproducesIt) {
    Fill(*bank, 0, 5);
    Fill(*bank, 12, 4000);
    Fill(*bank, 42, 777);
    bank->PackImage();
    const VoiceImage packed = bank->image;
    bank->ClearAllSlots();
    bank->UnpackImage(true);
    EXPECT_EQ(bank->Slot(12).count, 4000U);
    EXPECT_EQ(bank->Slot(42).count, 777U);
    bank->PackImage();
    EXPECT_TRUE(bank->image == packed);
}

TEST_F(VoiceBankTest, OldestLayoutCarriesOnlyTheFirst35Events) {
    Fill(*bank, 34, 10);
    Fill(*bank, 35, 10);
    Fill(*bank, 42, 10);
    bank->PackImage();
    bank->UnpackImage(false);
    EXPECT_EQ(bank->Slot(34).count, 10U);
    EXPECT_EQ(bank->Slot(35).count, 0U);
    EXPECT_EQ(bank->Slot(42).count, 0U);
}

TEST_F(VoiceBankTest, SpareSlotsNeverCarryData) {
    Fill(*bank, 45, 100);
    bank->PackImage();
    EXPECT_EQ(bank->Slot(45).count, 0U);
    EXPECT_EQ(bank->DirectoryEntry(45).count, 0U);
    EXPECT_EQ(bank->UsedSamples(), 0U);

    SetEntry(*bank, 44, 300, 100);
    bank->UnpackImage(true);
    EXPECT_EQ(bank->Slot(44).count, 0U);
}

TEST_F(VoiceBankTest, ImagesCompareAndCopyByteForByte) {
    auto other = std::make_unique<VoiceBank>();
    EXPECT_TRUE(VoiceBank::CompareImages(*bank, *bank));
    EXPECT_TRUE(VoiceBank::CompareImages(*bank, *other));
    other->image[kImageSize - 1] = 1;
    EXPECT_FALSE(VoiceBank::CompareImages(*bank, *other));
    VoiceBank::CopyImage(*bank, *other);
    EXPECT_TRUE(VoiceBank::CompareImages(*bank, *other));
}

// A factory-blank controller reads as all 0xFF: every entry lies outside the image.
TEST_F(VoiceBankTest, BlankControllerUnpacksToAnEmptyBank) {
    bank->image.fill(0xFF);
    bank->UnpackImage(true);
    EXPECT_EQ(bank->UsedSamples(), 0U);
    bank->PackImage();
    EXPECT_EQ(bank->DirectoryEntry(0).address, 300U);
    EXPECT_EQ(DirectoryBytes(*bank), 0U);
}

TEST_F(VoiceBankTest, DirectoryEntriesThatDoNotFitAreEmptiedOrCut) {
    SetEntry(*bank, 0, 0, 10);               // starts in the directory
    SetEntry(*bank, 1, kImageSize, 10);      // starts just past the image
    SetEntry(*bank, 2, kImageSize - 3, 100); // runs past the end
    SetEntry(*bank, 3, 300, 0xFFFFFF);       // above the capacity
    SetEntry(*bank, 4, kImageSize - 1, 1);   // the very last byte
    bank->image[kImageSize - 1] = 0xAB;
    bank->UnpackImage(true);
    EXPECT_EQ(bank->Slot(0).count, 0U);
    EXPECT_EQ(bank->Slot(1).count, 0U);
    EXPECT_EQ(bank->Slot(2).count, 6U);
    EXPECT_EQ(bank->Slot(2).buffer[2], 0xAB);
    EXPECT_EQ(bank->Slot(3).count, kCapacitySamples);
    EXPECT_EQ(bank->Slot(4).count, 1U);
    EXPECT_EQ(bank->Slot(4).buffer[0], 0xAB);
}

// Overlapping entries can add up to far more than the data area: packing keeps what fits and the
// directory says so.
TEST_F(VoiceBankTest, PackingOverlappingSlotsCutsWhatDoesNotFit) {
    for (std::uint8_t i = 0; i < kEventSlotCount; ++i) {
        SetEntry(*bank, i, 300, kCapacitySamples);
    }
    bank->UnpackImage(true);
    bank->PackImage();
    EXPECT_EQ(bank->DirectoryEntry(0).count, kCapacitySamples);
    EXPECT_EQ(bank->DirectoryEntry(1).count, 0U);
    EXPECT_EQ(bank->DirectoryEntry(1).address, kImageSize);
    EXPECT_EQ(bank->Slot(1).count, 0U);
    EXPECT_EQ(DirectoryBytes(*bank), kDataAreaSize);

    // The cut slots stay usable: a fresh phrase goes in cleanly.
    bank->ClearSlot(0);
    bank->AppendSample(1, 1000);
    bank->AppendSample(1, 1000);
    EXPECT_EQ(bank->Slot(1).buffer[0], 0x77);
}

TEST_F(VoiceBankTest, PartlyFittingSlotIsCutToWholeBytes) {
    SetEntry(*bank, 0, 300, kCapacitySamples - 11);
    SetEntry(*bank, 1, 300, 101);
    bank->UnpackImage(true);
    bank->PackImage();
    EXPECT_EQ(bank->DirectoryEntry(0).count, kCapacitySamples - 11);
    EXPECT_EQ(bank->DirectoryEntry(1).count, 10U);
    EXPECT_EQ(bank->Slot(1).count, 10U);
    EXPECT_EQ(DirectoryBytes(*bank), kDataAreaSize);
}

} // namespace
