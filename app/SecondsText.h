#pragma once

#include <QString>

#include <cstdint>

// A sample count as seconds at 8000 samples per second: at most 4 significant digits, no trailing
// zeros, the decimal separator of the user's locale ("134,8" under a Russian locale).
QString SecondsText(std::uint32_t samples);

// A phrase's duration wherever it stands beside the phrase (the event list, the events table): the
// seconds text and " с", so that the same phrase reads the same everywhere.
QString DurationText(std::uint32_t samples);
// What stands beside an event: its phrase's duration, or "нет фразы".
QString PhraseText(std::uint32_t samples);
