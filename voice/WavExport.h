#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

// Writes the samples as a canonical WAV file (44-byte header; PCM, 8000 Hz, 16 bit, mono), the safe
// way. False when the file could not be written; the old one then stays.
bool WriteWavFile(const std::filesystem::path& path, std::span<const std::int16_t> samples);
// The same, saying why it failed.
bool WriteWavFile(const std::filesystem::path& path, std::span<const std::int16_t> samples,
                  std::error_code& reason);
