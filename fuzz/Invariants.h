#pragma once

#include "voice/Voicebank.h"

// Aborts (so that the fuzzer reports the input) when a bank breaks the rules that keep every
// later PackImage, transfer and save inside its buffers.
void CheckSlots(const VoiceBank& bank);
void CheckPackedImage(const VoiceBank& bank);
