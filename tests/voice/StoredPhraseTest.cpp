// Where the used memory ends and which events differ, from two images' directories.
#include "voice/StoredPhrase.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

void SetEntry(VoiceImage& image, std::uint8_t slot, std::uint32_t address, std::uint32_t count) {
    for (int i = 0; i < 3; ++i) {
        image[6 * slot + i] = static_cast<std::uint8_t>(address >> (8 * i));
        image[6 * slot + 3 + i] = static_cast<std::uint8_t>(count >> (8 * i));
    }
}

TEST(StoredPhrase, TheUsedEndFollowsTheBoundsRulesOfUnpacking) {
    auto image = std::make_unique<VoiceImage>();
    image->fill(0xFF); // a blank controller: no phrase anywhere
    EXPECT_EQ(UsedImageEnd(*image), 300u);
    SetEntry(*image, 0, 300, 1001);   // 501 bytes
    SetEntry(*image, 5, 2000, 10);    // ends before event 0's phrase does not matter
    SetEntry(*image, 43, 500000, 10); // not an event's slot
    EXPECT_EQ(UsedImageEnd(*image), 2005u);
    SetEntry(*image, 9, kImageSize - 10, 100); // runs past the image: cut to it
    EXPECT_EQ(UsedImageEnd(*image), kImageSize);
    SetEntry(*image, 9, 299, 100); // inside the directory: empty
    EXPECT_EQ(UsedImageEnd(*image), 2005u);
}

TEST(StoredPhrase, EventsDifferByLengthOrSamplesWhereverTheyLie) {
    auto a = std::make_unique<VoiceImage>();
    auto b = std::make_unique<VoiceImage>();
    SetEntry(*a, 1, 300, 20);
    SetEntry(*b, 1, 400, 20); // the same phrase elsewhere
    (*a)[305] = (*b)[405] = 7;
    SetEntry(*a, 2, 320, 20);
    SetEntry(*b, 2, 320, 22); // longer
    SetEntry(*a, 3, 1000, 20);
    SetEntry(*b, 3, 1000, 20);
    (*b)[1009] = 1; // one sample
    EXPECT_EQ(DifferingEvents(*a, *b), (std::vector<std::uint8_t>{2, 3}));
    EXPECT_EQ(DifferingEvents(*a, *b, 1005), (std::vector<std::uint8_t>{2})); // b read up to 1005 only
    SetEntry(*a, 4, 1010, 20);
    SetEntry(*b, 4, 2000, 20); // moved where nothing was read: only the directories can tell
    EXPECT_EQ(DifferingEvents(*a, *b, 1005), (std::vector<std::uint8_t>{2, 4}));
}

} // namespace
