#pragma once

#include "take/Synthesiser.h"
#include "voice/Voicebank.h"

#include <span>

struct SpeakEmptyResult {
    int filled = 0;
    int tooLong = 0; // did not fit the memory that was left
    int failed = 0;  // the synthesiser said nothing
};

// Every event slot without a phrase gets the event's name spoken, trimmed and at full level, in the
// order of the events for as long as the memory allows; a phrase that does not fit whole is left out
// (half a name is no use).
SpeakEmptyResult SpeakEmptyEvents(VoiceBank& bank, std::span<const char* const> names, SpeechVoice voice);
