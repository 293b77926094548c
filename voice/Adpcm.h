#pragma once

#include <cstdint>
#include <vector>

struct VoiceSlot;

// The controller's 4-bit IMA ADPCM: the shift-and-add form, each phrase starting from the state (0, 0).
// The controller's decoder reconstructs exactly the encoder's `predicted` values.

struct AdpcmEncoderState {
    std::int32_t predicted = 0; // kept within -32768..32767
    std::int8_t stepIndex = 0;  // kept within 0..88
};

class AdpcmEncoder {
public:
    // Returns the code: bit 3 the sign, bits 2 to 0 the magnitude.
    std::uint8_t Encode(std::int16_t sample);
    const AdpcmEncoderState& State() const { return state_; }
    void Reset() { state_ = {}; }

private:
    AdpcmEncoderState state_;
};

class AdpcmDecoder {
public:
    // Returns the sample the controller plays for the code (only its low 4 bits count).
    std::int16_t Decode(std::uint8_t code);

private:
    AdpcmEncoderState state_;
};

// What the controller plays for the slot: its codes from (0, 0), low nibble first.
std::vector<std::int16_t> DecodeSlot(const VoiceSlot& slot);
