#pragma once

#include "take/Synthesiser.h"
#include "voice/Voicebank.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

// The names of the events without a phrase spoken into their slots: the speech on a thread of its own
// (it takes seconds per name), the bank filled afterwards on the bank's own thread.

struct SpeakEmptyResult {
    int filled = 0;
    int tooLong = 0; // did not fit the memory that was left
    int failed = 0;  // the synthesiser said nothing
    int stopped = 0; // not spoken as the user stopped
};

// The events among the first count whose slot holds no phrase.
std::vector<std::uint8_t> EmptyEvents(const VoiceBank& bank, std::size_t count);

struct SpokenTakes {
    std::vector<std::vector<std::int16_t>> takes;
    std::vector<SpeechEnd> ends;
};

// Each text spoken into a take, as many at once as there are processors; done counts the texts
// finished. A text that fails, even for want of memory, fails alone.
SpokenTakes SpeakAll(const std::vector<const char*>& texts, SpeechVoice voice, const SpeechLimits& limits,
                     std::atomic<int>& done);

// The spoken takes, trimmed and at full level, into their events' slots in the order of the events for
// as long as the memory allows; a phrase that does not fit whole is left out (half a name is no use).
SpeakEmptyResult FillEmptyEvents(VoiceBank& bank, std::span<const std::uint8_t> events,
                                 const SpokenTakes& spoken);
