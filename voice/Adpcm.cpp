#include "Adpcm.h"

#include "Voicebank.h"

#include <algorithm>
#include <array>

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

constexpr int kMaxStepIndex = 88;

// The step both sides take for a code: moves the prediction and adapts the step size.
void Advance(AdpcmEncoderState& state, std::uint8_t code, std::int32_t vpdiff) {
    const std::int32_t predicted = (code & 8) ? state.predicted - vpdiff : state.predicted + vpdiff;
    state.predicted = std::clamp(predicted, -32768, 32767);
    const int index = state.stepIndex + kIndexAdjust[code];
    state.stepIndex = static_cast<std::int8_t>(std::clamp(index, 0, kMaxStepIndex));
}

} // namespace

std::uint8_t AdpcmEncoder::Encode(std::int16_t sample) {
    const std::int32_t step = kStepTable[static_cast<std::size_t>(state_.stepIndex)];
    std::int32_t diff = sample - state_.predicted;
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
    Advance(state_, code | sign, vpdiff);
    return code | sign;
}

std::int16_t AdpcmDecoder::Decode(std::uint8_t code) {
    code &= 0x0F;
    const std::int32_t step = kStepTable[static_cast<std::size_t>(state_.stepIndex)];
    std::int32_t vpdiff = step >> 3;
    if (code & 4) {
        vpdiff += step;
    }
    if (code & 2) {
        vpdiff += step >> 1;
    }
    if (code & 1) {
        vpdiff += (step >> 1) >> 1;
    }
    Advance(state_, code, vpdiff);
    return static_cast<std::int16_t>(state_.predicted);
}

std::vector<std::int16_t> DecodeSlot(const VoiceSlot& slot) {
    const std::uint32_t count = std::min(slot.count, kCapacitySamples);
    std::vector<std::int16_t> samples(count);
    AdpcmDecoder decoder;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t byte = slot.buffer[i / 2];
        samples[i] = decoder.Decode((i & 1U) ? byte >> 4 : byte);
    }
    return samples;
}
