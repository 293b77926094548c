#include "WavExport.h"

#include "SafeFile.h"
#include "Voicebank.h"

#include <array>
#include <vector>

namespace {

void Put(std::uint8_t*& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        *out++ = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

} // namespace

bool WriteWavFile(const std::filesystem::path& path, std::span<const std::int16_t> samples) {
    std::error_code ignored;
    return WriteWavFile(path, samples, ignored);
}

bool WriteWavFile(const std::filesystem::path& path, std::span<const std::int16_t> samples,
                  std::error_code& reason) {
    // The largest slot is about 2 MB, far from the 4 GB a RIFF size can count.
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::array<std::uint8_t, 44> header{'R', 'I', 'F', 'F', 0,   0,   0,   0,
                                        'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    std::uint8_t* out = header.data() + 4;
    Put(out, 36 + dataSize, 4);
    out = header.data() + 16;
    Put(out, 16, 4);          // fmt size
    Put(out, 1, 2);           // PCM
    Put(out, 1, 2);           // mono
    Put(out, kSampleRate, 4); // samples per second
    Put(out, 2 * kSampleRate, 4);
    Put(out, 2, 2);  // block alignment
    Put(out, 16, 2); // bits per sample
    *out++ = 'd';
    *out++ = 'a';
    *out++ = 't';
    *out++ = 'a';
    Put(out, dataSize, 4);
    std::vector<std::uint8_t> data(dataSize);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        data[2 * i] = static_cast<std::uint8_t>(value);
        data[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    return WriteFileSafely(path, {std::span<const std::uint8_t>(header), std::span<const std::uint8_t>(data)},
                           reason);
}
