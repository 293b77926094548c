#pragma once

#include "voice/RiffChunks.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Builds WAV files the way real writers lay them out, and the ways they get them wrong.
namespace wavtest {

using Bytes = std::vector<std::uint8_t>;

// The fmt body: the 16 fields, then extraBytes more (an 18-byte fmt has 2: a zero extension size).
Bytes FmtBody(const WaveFormat& fields = {}, std::size_t extraBytes = 0);

// Little-endian 16-bit samples.
Bytes SampleBytes(std::span<const std::int16_t> samples);

// A deterministic test signal: a triangle with some noise, never silent for long.
std::vector<std::int16_t> Signal(std::size_t count, std::uint32_t seed = 1);

class WavBuilder {
public:
    // Any chunk; an odd body gets a pad byte unless pad is false. declaredSize overrides the size
    // field (an overstated or understated data size, a broken chunk header).
    WavBuilder& Chunk(std::string_view id, Bytes body, std::optional<std::uint32_t> declaredSize = {},
                      bool pad = true);
    WavBuilder& Fmt(const WaveFormat& fields = {}, std::size_t extraBytes = 0);
    WavBuilder& Data(std::span<const std::int16_t> samples, std::optional<std::uint32_t> declaredSize = {});
    // LIST/INFO with the given (id, text) pairs; texts are NUL-terminated as writers do.
    WavBuilder& Info(const std::vector<std::pair<std::string, std::string>>& texts);
    WavBuilder& Fact(std::uint32_t sampleCount);
    // A cue chunk with one cue point per offset; each point's chunk field reads "data".
    WavBuilder& Cue(const std::vector<std::uint32_t>& sampleOffsets);
    // Overrides the RIFF size field (streaming writers leave 0 or 0xFFFFFFFF).
    WavBuilder& RiffSize(std::uint32_t size);
    // Raw bytes after the last chunk, outside any chunk header.
    WavBuilder& Raw(Bytes bytes);

    Bytes Build() const;

private:
    Bytes body_; // everything after "WAVE"
    std::optional<std::uint32_t> riffSize_;
};

// The classic 44-byte header followed by the samples.
Bytes CanonicalWav(std::span<const std::int16_t> samples);

void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace wavtest
