#include "Voicebank.h"

#include "StoredPhrase.h"

#include <algorithm>
#include <cstring>

namespace {

std::size_t ByteLength(std::uint32_t count) {
    return (static_cast<std::size_t>(count) + 1) / 2;
}

// Samples a slot occupies once packed: its bytes hold two samples each.
std::uint32_t OccupiedSamples(std::uint32_t count) {
    return count + (count & 1U);
}

void Put24(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
}

std::uint32_t Get24(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16;
}

} // namespace

VoiceBank::VoiceBank()
    : slots_(std::make_unique<std::array<VoiceSlot, kSlotCount>>()),
      imageStorage_(std::make_unique<VoiceImage>()), image(*imageStorage_) {}

const VoiceSlot& VoiceBank::Slot(std::uint8_t slot) const {
    return slots_->at(slot);
}

void VoiceBank::ClearImage() {
    image.fill(0);
}

// Every slot keeps the bytes past its length at zero, so only the used bytes need clearing.
void VoiceBank::EmptySlot(VoiceSlot& slot) {
    std::memset(slot.buffer.data(), 0, ByteLength(slot.count));
    slot.count = 0;
}

void VoiceBank::ClearAllSlots() {
    for (VoiceSlot& slot : *slots_) {
        EmptySlot(slot);
    }
}

void VoiceBank::ClearSlot(std::uint8_t slot) {
    EmptySlot(slots_->at(slot));
    ResetEncoder();
}

void VoiceBank::ResetEncoder() {
    encoder_.Reset();
}

std::uint8_t VoiceBank::EncodeSample(std::int16_t sample) {
    return encoder_.Encode(sample);
}

void VoiceBank::AppendSample(std::uint8_t slot, std::int16_t sample) {
    VoiceSlot& target = slots_->at(slot);
    const std::uint32_t n = target.count;
    if (n >= kCapacitySamples) {
        return;
    }
    const std::uint8_t code = EncodeSample(sample);
    std::uint8_t& byte = target.buffer[n / 2];
    // The mask matters only for a slot unpacked from a foreign image whose last high nibble is set.
    byte = (n & 1U) ? static_cast<std::uint8_t>((byte & 0x0F) | (code << 4)) : code;
    target.count = n + 1;
}

std::uint32_t VoiceBank::OccupiedTotal() const {
    std::uint64_t total = 0;
    for (const VoiceSlot& slot : *slots_) {
        total += OccupiedSamples(slot.count);
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(total, kCapacitySamples));
}

// Counted in whole bytes (odd counts rounded up), so an import can never take the bank past
// what PackImage can store.
std::uint32_t VoiceBank::FreeSamples() const {
    return kCapacitySamples - OccupiedTotal();
}

std::uint32_t VoiceBank::FreeSamplesFor(std::uint8_t slot) const {
    std::uint64_t others = 0;
    for (std::uint8_t s = 0; s < kSlotCount; ++s)
        if (s != slot)
            others += OccupiedSamples((*slots_)[s].count);
    return others >= kCapacitySamples ? 0 : static_cast<std::uint32_t>(kCapacitySamples - others);
}

std::uint32_t VoiceBank::UsedSamples() const {
    return OccupiedTotal();
}

void VoiceBank::PackImage() {
    ClearImage();
    std::size_t offset = 0;
    for (std::uint8_t i = 0; i < kSlotCount; ++i) {
        VoiceSlot& slot = (*slots_)[i];
        if (i >= kEventSlotCount) {
            EmptySlot(slot);
        }
        // Slots unpacked from a foreign image may add up to more than the data area: what does not
        // fit is cut from the slot itself, so the slots, the directory and the data still agree.
        const std::size_t room = kDataAreaSize - offset;
        if (ByteLength(slot.count) > room) {
            const std::size_t used = ByteLength(slot.count);
            std::memset(slot.buffer.data() + room, 0, used - room);
            slot.count = static_cast<std::uint32_t>(2 * room);
        }
        std::uint8_t* entry = image.data() + kDirectoryEntrySize * i;
        Put24(entry, static_cast<std::uint32_t>(kDirectorySize + offset));
        Put24(entry + 3, slot.count);
        const std::size_t length = ByteLength(slot.count);
        std::memcpy(image.data() + kDirectorySize + offset, slot.buffer.data(), length);
        offset += length;
    }
}

SlotDirectoryEntry VoiceBank::DirectoryEntry(std::uint8_t slot) const {
    const std::uint8_t* entry = image.data() + kDirectoryEntrySize * slot;
    return {Get24(entry), Get24(entry + 3)};
}

// The directory may come from a blank controller (all 0xFF) or a damaged file: StoredPhraseOf keeps
// every slot inside the image.
void VoiceBank::UnpackImage(bool fullLayout) {
    ClearAllSlots();
    const std::uint8_t carried = fullLayout ? kEventSlotCount : kOldestLayoutSlotCount;
    for (std::uint8_t i = 0; i < carried; ++i) {
        const StoredPhrase phrase = StoredPhraseOf(image, i);
        VoiceSlot& slot = (*slots_)[i];
        std::memcpy(slot.buffer.data(), image.data() + phrase.address, phrase.length);
        slot.count = phrase.count;
    }
}

void VoiceBank::CopyImage(VoiceBank& destination, const VoiceBank& source) {
    destination.image = source.image;
}

bool VoiceBank::CompareImages(const VoiceBank& a, const VoiceBank& b) {
    return a.image == b.image;
}

void VoiceBank::RestoreSlot(std::uint8_t slot, std::span<const std::uint8_t> bytes, std::uint32_t count) {
    ClearSlot(slot);
    VoiceSlot& target = slots_->at(slot);
    count = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({count, kCapacitySamples, 2 * std::uint64_t(bytes.size())}));
    std::copy_n(bytes.begin(), ByteLength(count), target.buffer.begin());
    target.count = count;
}
