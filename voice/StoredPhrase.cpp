#include "StoredPhrase.h"

#include <algorithm>

StoredPhrase StoredPhraseOf(const VoiceImage& image, std::uint8_t slot) {
    const auto [address, stated] = DirectoryEntryOf(image, slot);
    if (address < kDirectorySize || address >= kImageSize)
        return {};
    std::uint32_t count = std::min(stated, kCapacitySamples);
    std::size_t length = (std::size_t{count} + 1) / 2;
    if (length > kImageSize - address) {
        length = kImageSize - address;
        count = static_cast<std::uint32_t>(2 * length);
    }
    return {address, count, length};
}

std::size_t UsedImageEnd(const VoiceImage& image) {
    std::size_t end = kDirectorySize;
    for (std::uint8_t slot = 0; slot < kEventSlotCount; ++slot) {
        const StoredPhrase phrase = StoredPhraseOf(image, slot);
        if (phrase.length > 0)
            end = std::max(end, phrase.address + phrase.length);
    }
    return end;
}

std::vector<std::uint8_t> DifferingEvents(const VoiceImage& a, const VoiceImage& b, std::size_t known) {
    std::vector<std::uint8_t> events;
    if (known < kDirectorySize)
        return events;
    for (std::uint8_t slot = 0; slot < kEventSlotCount; ++slot) {
        const StoredPhrase ours = StoredPhraseOf(a, slot);
        const StoredPhrase theirs = StoredPhraseOf(b, slot);
        const std::size_t compared =
            theirs.address >= known ? 0 : std::min(theirs.length, known - theirs.address);
        const bool unread = theirs.address + theirs.length > known;
        const bool moved = ours.address != theirs.address;
        if (ours.count != theirs.count || (unread && moved) ||
            !std::equal(a.begin() + ours.address, a.begin() + ours.address + compared,
                        b.begin() + theirs.address))
            events.push_back(slot);
    }
    return events;
}
