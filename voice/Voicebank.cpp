#include "Voicebank.h"

#include "StoredPhrase.h"

#include <algorithm>
#include <cstring>

namespace {

// IMA ADPCM step sizes and index adjustments, as in every IMA/DVI ADPCM codec.
constexpr std::array<std::int32_t, 89> kStepTable = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<std::int8_t, 16> kIndexAdjust = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

constexpr std::uint8_t kMaxStepIndex = 88;

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
    encoder_ = AdpcmEncoderState{};
}

// Shift-and-add form: the controller's decoder reconstructs exactly these values.
std::uint8_t VoiceBank::EncodeSample(std::int16_t sample) {
    const std::int32_t step = kStepTable[static_cast<std::size_t>(encoder_.stepIndex)];
    std::int32_t diff = sample - encoder_.predicted;
    std::uint8_t sign = 0;
    if (diff < 0) {
        sign = 8;
        diff = -diff;
    }
    std::uint8_t code = 0;
    std::int32_t vpdiff = step >> 3;
    if (diff >= step) {
        code |= 4;
        diff -= step;
        vpdiff += step;
    }
    const std::int32_t half = step >> 1;
    if (diff >= half) {
        code |= 2;
        diff -= half;
        vpdiff += half;
    }
    const std::int32_t quarter = half >> 1;
    if (diff >= quarter) {
        code |= 1;
        vpdiff += quarter;
    }
    const std::int32_t predicted = sign ? encoder_.predicted - vpdiff : encoder_.predicted + vpdiff;
    encoder_.predicted = std::clamp(predicted, -32768, 32767);
    const int index = encoder_.stepIndex + kIndexAdjust[code | sign];
    encoder_.stepIndex = static_cast<std::int8_t>(std::clamp(index, 0, int{kMaxStepIndex}));
    return code | sign;
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
