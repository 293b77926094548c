#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "Voicebank.h"

class ByteSource;

using ChunkId = std::array<std::uint8_t, 4>;

constexpr ChunkId kFmtChunk = {'f', 'm', 't', ' '};
constexpr ChunkId kDataChunk = {'d', 'a', 't', 'a'};

std::uint16_t Le16(const std::uint8_t* bytes);
std::uint32_t Le32(const std::uint8_t* bytes);

// The fields at the start of a fmt chunk's body; a body may hold more, which no reader here needs.
// The defaults are the controller's own form: PCM, mono, 8000 Hz, 16 bits.
struct WaveFormat {
    static constexpr std::size_t kSize = 16;

    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSecond = kSampleRate;
    std::uint32_t bytesPerSecond = 2 * kSampleRate;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;

    bool operator==(const WaveFormat&) const = default;
};
WaveFormat ReadWaveFormat(std::span<const std::uint8_t, WaveFormat::kSize> body);

enum class RiffStart { Short, NotWave, Wave };
enum class ChunkFound { Yes, StreamEnded, HeaderMakesNoSense };

// A RIFF/WAVE stream read front to back, never seeking: its header, then one chunk after another.
// A file's RIFF size bounds every read; a program writing to a pipe cannot go back to fill it in,
// and then only the stream's end does.
class RiffChunks {
public:
    enum class Bound { RiffSize, EndOfStream };

    RiffChunks(ByteSource& source, Bound bound) : source_(source), bound_(bound) {}

    // Reads "RIFF", the RIFF size, "WAVE" and the first chunk's identifier: 16 bytes.
    RiffStart ReadStart();

    // The identifier of the chunk the walk stands at.
    const ChunkId& Id() const { return id_; }

    // Reads the size field of the chunk the walk stands at; its body follows.
    std::optional<std::uint32_t> ReadSize();

    // Reads exactly bytes.size() bytes of the body whose size was read last.
    bool ReadBody(std::span<std::uint8_t> bytes);

    // Reads up to `count` 16-bit little-endian samples, keeping the first `kept` in `out`; returns how
    // many were read, fewer where the stream or the RIFF chunk ends.
    std::uint32_t ReadSamples(std::uint32_t count, std::uint32_t kept, std::vector<std::int16_t>& out);

    // Moves on by the chunks' sizes until the chunk `wanted`, the one the walk stands at included,
    // so that its identifier inside a text or a cue point is never taken for it. A header whose
    // identifier is not text or whose body runs past the RIFF chunk stops the walk there.
    ChunkFound Find(const ChunkId& wanted);

    // Looks for `wanted` byte by byte from where the walk stands, whatever the chunks say.
    bool Search(const ChunkId& wanted);

    // Bytes of the RIFF chunk not yet read.
    std::uint64_t Remaining() const { return remaining_; }

private:
    // Reads up to bytes.size() bytes, fewer where the stream or the RIFF chunk ends.
    std::size_t ReadSome(std::span<std::uint8_t> bytes);
    bool ReadExact(std::span<std::uint8_t> bytes) { return ReadSome(bytes) == bytes.size(); }
    std::size_t ReadAhead(std::span<std::uint8_t> bytes);
    bool Skip(std::uint32_t n);
    bool MoveOn();
    bool ShiftIn();
    void UnreadSize();

    ByteSource& source_;
    Bound bound_;
    std::uint64_t remaining_ = 0;
    ChunkId id_{};
    std::uint32_t size_ = 0;                // of the chunk at hand
    std::optional<std::uint32_t> bodyLeft_; // set once the size of the chunk at hand was read
    // A size field read by a walk that then stopped, handed back to the search that takes over.
    std::array<std::uint8_t, 4> unread_{};
    std::size_t unreadCount_ = 0;
};
