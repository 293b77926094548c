#pragma once

#include "Voicebank.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A slot's phrase where an image's directory puts it, by the bounds rules of UnpackImage: one that starts
// outside the data area is empty, one that runs past the image is cut to the whole bytes inside it, and a
// count above the capacity is cut to the capacity.
struct StoredPhrase {
    std::size_t address = 0;
    std::uint32_t count = 0;
    std::size_t length = 0; // bytes from address
};
StoredPhrase StoredPhraseOf(const VoiceImage& image, std::uint8_t slot);

// Where the phrase data of the events ends, as a read of the image takes them: the directory's end at
// least.
std::size_t UsedImageEnd(const VoiceImage& image);

// The events whose phrases differ between the images, in length or in any sample. Only the first
// `known` bytes of b count (the rest was never read); a phrase of b that reaches past them is compared
// up to there, and differs too when its directory entry does.
std::vector<std::uint8_t> DifferingEvents(const VoiceImage& a, const VoiceImage& b,
                                          std::size_t known = kImageSize);
