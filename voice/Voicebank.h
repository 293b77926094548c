#pragma once

#include "Adpcm.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// The controller's voice memory and the 50 voice slots it is packed from.
// Sample counts are counts of 4-bit IMA ADPCM codes at 8000 samples per second.

inline constexpr std::size_t kImageSize = 539648;  // 0x83C00, the controller's voice memory
inline constexpr std::size_t kDirectorySize = 300; // 50 entries of 6 bytes
inline constexpr std::size_t kDirectoryEntrySize = 6;
inline constexpr std::size_t kDataAreaSize = kImageSize - kDirectorySize;
inline constexpr std::uint32_t kCapacitySamples = 2 * kDataAreaSize; // 1,078,696: per slot and per bank
inline constexpr std::uint8_t kSlotCount = 50;
inline constexpr std::uint8_t kEventSlotCount = 43;
inline constexpr std::uint8_t kOldestLayoutSlotCount = 35;

using VoiceImage = std::array<std::uint8_t, kImageSize>;

struct SlotDirectoryEntry {
    std::uint32_t address = 0; // 24 bits on the wire: image offset of the slot's first data byte
    std::uint32_t count = 0;   // 24 bits on the wire: number of 4-bit samples
};

struct VoiceSlot {
    std::uint32_t count = 0;
    VoiceImage buffer{}; // sample k in byte k/2, low nibble when k is even
};

// Owns 50 slots and the packed image; all memory (about 27 MB) is allocated once, at construction.
// The slots and the image are synchronised only by PackImage (slots to image) and UnpackImage
// (image to slots).
class VoiceBank {
public:
    VoiceBank();
    VoiceBank(const VoiceBank&) = delete;
    VoiceBank& operator=(const VoiceBank&) = delete;

    // Slot numbers are 0 to 49; a larger one throws std::out_of_range rather than touch memory.
    const VoiceSlot& Slot(std::uint8_t slot) const;
    // Entry of the slot as the image's directory states it (not necessarily what UnpackImage takes).
    SlotDirectoryEntry DirectoryEntry(std::uint8_t slot) const;
    const AdpcmEncoderState& EncoderState() const { return encoder_.State(); }

    void ClearImage();
    void ClearAllSlots();
    void ClearSlot(std::uint8_t slot);
    void ResetEncoder();
    std::uint8_t EncodeSample(std::int16_t sample);
    void AppendSample(std::uint8_t slot, std::int16_t sample);
    // Both count each slot in whole bytes (an odd count rounded up to even), so that used plus free is
    // the capacity and an import that stays within FreeSamples always fits the packed image.
    std::uint32_t FreeSamples() const;
    std::uint32_t UsedSamples() const;
    // The free samples once the slot's phrase is replaced: an import's room.
    std::uint32_t FreeSamplesFor(std::uint8_t slot) const;
    void PackImage();
    void UnpackImage(bool fullLayout);
    // Puts back codes taken from a slot earlier (undo): the first count samples of bytes, packed as in
    // VoiceSlot. A count above the capacity or beyond bytes is cut to what there is.
    void RestoreSlot(std::uint8_t slot, std::span<const std::uint8_t> bytes, std::uint32_t count);

    static void CopyImage(VoiceBank& destination, const VoiceBank& source);
    static bool CompareImages(const VoiceBank& a, const VoiceBank& b);

private:
    static void EmptySlot(VoiceSlot& slot);
    std::uint32_t OccupiedTotal() const;

    std::unique_ptr<std::array<VoiceSlot, kSlotCount>> slots_;
    std::unique_ptr<VoiceImage> imageStorage_;

public:
    VoiceImage& image; // the controller's memory image, read and written directly by files and the link

private:
    AdpcmEncoder encoder_; // one per bank: it belongs to whichever slot is being filled
};
