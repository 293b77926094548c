#pragma once

#include "Synthesiser.h"

#include <optional>
#include <string>

// The host's own speech service: Windows' Russian voice through SAPI. Linux has none; its synthesisers
// run as programs.
bool SystemVoiceInstalled();

// The text spoken by the system's Russian voice; nothing when there is none or it fails.
std::optional<SpokenText> SpeakWithSystemVoice(const std::string& textUtf8);
