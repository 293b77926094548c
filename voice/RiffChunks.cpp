#include "RiffChunks.h"

#include "ByteSource.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Chunk identifiers are four printable ASCII characters; anything else means the walk has lost
// its footing.
bool IsChunkId(const ChunkId& id) {
    return std::all_of(id.begin(), id.end(), [](std::uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

} // namespace

std::uint16_t Le16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t Le32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

WaveFormat ReadWaveFormat(std::span<const std::uint8_t, WaveFormat::kSize> body) {
    const std::uint8_t* b = body.data();
    return {Le16(b), Le16(b + 2), Le32(b + 4), Le32(b + 8), Le16(b + 12), Le16(b + 14)};
}

RiffStart RiffChunks::ReadStart() {
    std::array<std::uint8_t, 16> head{};
    if (ReadAhead(head) != head.size()) {
        return RiffStart::Short;
    }
    if (std::memcmp(head.data(), "RIFF", 4) != 0 || std::memcmp(head.data() + 8, "WAVE", 4) != 0) {
        return RiffStart::NotWave;
    }
    // The RIFF size counts from "WAVE" on. Streaming writers leave it at 0 or 0xFFFFFFFF: below 8 it
    // wraps around to a huge count, and such a file is limited by its chunks' sizes and its length.
    remaining_ = bound_ == Bound::RiffSize ? std::uint32_t(Le32(head.data() + 4) - 8U)
                                           : std::numeric_limits<std::uint64_t>::max();
    std::copy_n(head.begin() + 12, id_.size(), id_.begin());
    return RiffStart::Wave;
}

std::optional<std::uint32_t> RiffChunks::ReadSize() {
    std::array<std::uint8_t, 4> field{};
    if (!ReadExact(field)) {
        return std::nullopt;
    }
    size_ = Le32(field.data());
    bodyLeft_ = size_;
    return size_;
}

bool RiffChunks::ReadBody(std::span<std::uint8_t> bytes) {
    if (!bodyLeft_ || bytes.size() > *bodyLeft_ || !ReadExact(bytes)) {
        return false;
    }
    *bodyLeft_ -= static_cast<std::uint32_t>(bytes.size());
    return true;
}

std::size_t RiffChunks::ReadSome(std::span<std::uint8_t> bytes) {
    const std::size_t got = ReadAhead(bytes.first(std::min<std::uint64_t>(bytes.size(), remaining_)));
    remaining_ -= got;
    return got;
}

// The bytes handed back by a stopped walk come first.
std::size_t RiffChunks::ReadAhead(std::span<std::uint8_t> bytes) {
    const std::size_t fromUnread = std::min(bytes.size(), unreadCount_);
    std::copy_n(unread_.begin(), fromUnread, bytes.begin());
    std::copy(unread_.begin() + fromUnread, unread_.begin() + unreadCount_, unread_.begin());
    unreadCount_ -= fromUnread;
    if (fromUnread == bytes.size()) {
        return fromUnread;
    }
    return fromUnread + source_.Read(bytes.subspan(fromUnread));
}

std::uint32_t RiffChunks::ReadSamples(std::uint32_t count, std::uint32_t kept,
                                      std::vector<std::int16_t>& out) {
    out.reserve(std::min(count, kept));
    std::array<std::uint8_t, 8192> block{};
    std::uint32_t read = 0;
    while (read < count) {
        const std::size_t wanted = std::min<std::size_t>(2 * std::size_t{count - read}, block.size());
        const std::size_t got = ReadSome(std::span(block.data(), wanted));
        for (std::size_t i = 0; i + 1 < got && out.size() < kept; i += 2) {
            out.push_back(static_cast<std::int16_t>(Le16(block.data() + i)));
        }
        read += static_cast<std::uint32_t>(got / 2);
        if (got < wanted) {
            break;
        }
    }
    return read;
}

bool RiffChunks::Skip(std::uint32_t n) {
    std::array<std::uint8_t, 4096> block{};
    while (n > 0) {
        const std::size_t part = std::min<std::size_t>(n, block.size());
        if (!ReadExact(std::span(block.data(), part))) {
            return false;
        }
        n -= static_cast<std::uint32_t>(part);
    }
    return true;
}

// Past the rest of the chunk at hand to the next identifier. A chunk of odd size is followed by a
// pad byte, which some writers leave out; an identifier never starts with 0, so a 0 there is the pad.
bool RiffChunks::MoveOn() {
    if (!Skip(*bodyLeft_) || !ReadExact(id_)) {
        return false;
    }
    bodyLeft_.reset();
    return (size_ & 1U) == 0 || id_[0] != 0 || ShiftIn();
}

ChunkFound RiffChunks::Find(const ChunkId& wanted) {
    if (bodyLeft_ && !MoveOn()) {
        return ChunkFound::StreamEnded;
    }
    while (id_ != wanted) {
        if (!IsChunkId(id_) || remaining_ < 4) {
            return ChunkFound::HeaderMakesNoSense;
        }
        const std::optional<std::uint32_t> size = ReadSize();
        if (!size) {
            return ChunkFound::StreamEnded;
        }
        // The body and at least the next chunk header must lie inside the RIFF chunk.
        if (*size > remaining_ || remaining_ - *size < 8) {
            UnreadSize();
            return ChunkFound::HeaderMakesNoSense;
        }
        if (!MoveOn()) {
            return ChunkFound::StreamEnded;
        }
    }
    return ChunkFound::Yes;
}

bool RiffChunks::Search(const ChunkId& wanted) {
    while (id_ != wanted) {
        if (!ShiftIn()) {
            return false;
        }
    }
    return true;
}

// The identifier's window moves on by one byte.
bool RiffChunks::ShiftIn() {
    std::uint8_t byte = 0;
    if (!ReadExact(std::span(&byte, 1))) {
        return false;
    }
    std::copy(id_.begin() + 1, id_.end(), id_.begin());
    id_[3] = byte;
    return true;
}

void RiffChunks::UnreadSize() {
    for (std::size_t i = 0; i < unread_.size(); ++i) {
        unread_[i] = static_cast<std::uint8_t>(size_ >> (8 * i));
    }
    unreadCount_ = unread_.size();
    remaining_ += unread_.size();
    bodyLeft_.reset();
}
