#pragma once

#include "Synthesiser.h"

#include <optional>
#include <string_view>

// A 16-bit PCM mono WAV as a program writes it to a pipe: the sizes in its header cannot be trusted
// (a pipe cannot be rewound to fill them in). The RIFF size is ignored; a data size of 0 or one larger
// than the bytes hold means the data runs to their end.
std::optional<SpokenText> ReadStreamedWav(std::string_view bytes);
