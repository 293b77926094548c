#pragma once

#include "Synthesiser.h"

#include <optional>
#include <string_view>

// A 16-bit PCM mono WAV as a program writes it to a pipe: the sizes in its header cannot be trusted
// (a pipe cannot be rewound to fill them in), so the data runs to the end of the bytes.
std::optional<SpokenText> ReadStreamedWav(std::string_view bytes);
