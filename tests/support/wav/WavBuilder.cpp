#include "WavBuilder.h"

#include <fstream>
#include <stdexcept>

namespace wavtest {
namespace {

void Put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}

// Byte by byte: GCC 12's optimiser reports a false overflow for a range insert into an empty vector.
void PutText(Bytes& out, std::string_view text) {
    for (const char c : text)
        out.push_back(static_cast<std::uint8_t>(c));
}

} // namespace

Bytes FmtBody(const WaveFormat& f, std::size_t extraBytes) {
    Bytes body;
    Put16(body, f.formatTag);
    Put16(body, f.channels);
    Put32(body, f.samplesPerSecond);
    Put32(body, f.bytesPerSecond);
    Put16(body, f.blockAlign);
    Put16(body, f.bitsPerSample);
    body.resize(body.size() + extraBytes, 0);
    return body;
}

Bytes SampleBytes(std::span<const std::int16_t> samples) {
    Bytes bytes;
    bytes.reserve(2 * samples.size());
    for (std::int16_t s : samples) {
        Put16(bytes, static_cast<std::uint16_t>(s));
    }
    return bytes;
}

std::vector<std::int16_t> Signal(std::size_t count, std::uint32_t seed) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1664525U + 1013904223U;
        const int triangle = static_cast<int>(i % 80) < 40 ? static_cast<int>(i % 80) * 500 - 10000
                                                           : 30000 - static_cast<int>(i % 80) * 500;
        samples[i] = static_cast<std::int16_t>(triangle + static_cast<int>(seed >> 22) - 512);
    }
    return samples;
}

WavBuilder& WavBuilder::Chunk(std::string_view id, Bytes body, std::optional<std::uint32_t> declaredSize,
                              bool pad) {
    if (id.size() != 4) {
        throw std::invalid_argument("chunk id must have 4 characters");
    }
    PutText(body_, id);
    Put32(body_, declaredSize.value_or(static_cast<std::uint32_t>(body.size())));
    const bool odd = body.size() % 2 != 0;
    body_.insert(body_.end(), body.begin(), body.end());
    if (odd && pad) {
        body_.push_back(0);
    }
    return *this;
}

WavBuilder& WavBuilder::Fmt(const WaveFormat& fields, std::size_t extraBytes) {
    return Chunk("fmt ", FmtBody(fields, extraBytes));
}

WavBuilder& WavBuilder::Data(std::span<const std::int16_t> samples,
                             std::optional<std::uint32_t> declaredSize) {
    return Chunk("data", SampleBytes(samples), declaredSize);
}

WavBuilder& WavBuilder::Info(const std::vector<std::pair<std::string, std::string>>& texts) {
    Bytes list;
    PutText(list, "INFO");
    for (const auto& [id, text] : texts) {
        PutText(list, id);
        const std::size_t size = text.size() + 1;
        Put32(list, static_cast<std::uint32_t>(size));
        PutText(list, text);
        list.push_back(0);
        if (size % 2 != 0) {
            list.push_back(0);
        }
    }
    return Chunk("LIST", std::move(list));
}

WavBuilder& WavBuilder::Fact(std::uint32_t sampleCount) {
    Bytes body;
    Put32(body, sampleCount);
    return Chunk("fact", std::move(body));
}

WavBuilder& WavBuilder::Cue(const std::vector<std::uint32_t>& sampleOffsets) {
    Bytes body;
    Put32(body, static_cast<std::uint32_t>(sampleOffsets.size()));
    std::uint32_t id = 1;
    for (std::uint32_t offset : sampleOffsets) {
        Put32(body, id++);   // cue point id
        Put32(body, offset); // position
        PutText(body, "data");
        Put32(body, 0); // chunk start
        Put32(body, 0); // block start
        Put32(body, offset);
    }
    return Chunk("cue ", std::move(body));
}

WavBuilder& WavBuilder::RiffSize(std::uint32_t size) {
    riffSize_ = size;
    return *this;
}

WavBuilder& WavBuilder::Raw(Bytes bytes) {
    body_.insert(body_.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes WavBuilder::Build() const {
    Bytes file;
    PutText(file, "RIFF");
    Put32(file, riffSize_.value_or(static_cast<std::uint32_t>(4 + body_.size())));
    PutText(file, "WAVE");
    file.insert(file.end(), body_.begin(), body_.end());
    return file;
}

Bytes CanonicalWav(std::span<const std::int16_t> samples) {
    return WavBuilder().Fmt().Data(samples).Build();
}

void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

} // namespace wavtest
