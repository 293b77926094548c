#include "Invariants.h"

#include <cstdlib>

void CheckSlots(const VoiceBank& bank) {
    for (std::uint8_t i = 0; i < kSlotCount; ++i) {
        const std::uint32_t count = bank.Slot(i).count;
        if (count > kCapacitySamples || (i >= kEventSlotCount && count != 0)) {
            std::abort();
        }
    }
    if (bank.UsedSamples() + bank.FreeSamples() != kCapacitySamples) {
        std::abort();
    }
}

// The directory describes consecutive slots that end inside the image.
void CheckPackedImage(const VoiceBank& bank) {
    std::size_t address = kDirectorySize;
    for (std::uint8_t i = 0; i < kSlotCount; ++i) {
        const SlotDirectoryEntry entry = bank.DirectoryEntry(i);
        if (entry.address != address || entry.count != bank.Slot(i).count) {
            std::abort();
        }
        address += (entry.count + 1) / 2;
    }
    if (address > kImageSize) {
        std::abort();
    }
}
