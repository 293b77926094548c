#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

// Writes the samples as a canonical WAV file (44-byte header; PCM, 8000 Hz, 16 bit, mono), the safe
// way. False when the file could not be written; the old one then stays.
bool WriteWavFile(const std::filesystem::path& path, std::span<const std::int16_t> samples);
