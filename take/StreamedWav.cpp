#include "StreamedWav.h"

#include "voice/ByteSource.h"
#include "voice/RiffChunks.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace {

std::optional<int> SpokenRate(RiffChunks& riff) {
    std::array<std::uint8_t, WaveFormat::kSize> body{};
    if (riff.Find(kFmtChunk) != ChunkFound::Yes || !riff.ReadSize() || !riff.ReadBody(body))
        return std::nullopt;
    const WaveFormat format = ReadWaveFormat(body);
    if (format.formatTag != 1 || format.channels != 1 || format.bitsPerSample != 16 ||
        format.samplesPerSecond == 0 || format.samplesPerSecond > INT_MAX)
        return std::nullopt;
    return int(format.samplesPerSecond);
}

// A data size of 0 stands for "to the end"; a larger one than the stream holds ends with the stream.
std::vector<std::int16_t> ReadSamples(RiffChunks& riff, std::uint32_t dataSize, std::size_t streamSize) {
    const std::size_t bytes = dataSize == 0 ? streamSize : std::min<std::size_t>(dataSize, streamSize);
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(bytes / 2, UINT32_MAX));
    std::vector<std::int16_t> samples;
    riff.ReadSamples(count, count, samples);
    return samples;
}

} // namespace

std::optional<SpokenText> ReadStreamedWav(std::string_view bytes) {
    MemorySource source({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    RiffChunks riff(source, RiffChunks::Bound::EndOfStream);
    if (riff.ReadStart() != RiffStart::Wave)
        return std::nullopt;
    const std::optional<int> rate = SpokenRate(riff);
    if (!rate || riff.Find(kDataChunk) != ChunkFound::Yes)
        return std::nullopt;
    const std::optional<std::uint32_t> dataSize = riff.ReadSize();
    if (!dataSize)
        return std::nullopt;
    return SpokenText{ReadSamples(riff, *dataSize, bytes.size()), *rate};
}
