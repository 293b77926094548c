#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace emulator {

// Cuts the bytes the master sends into requests. The first byte decides the kind: 0x12 starts a write
// block, 0x02 a read block (both sized by their length byte), anything else a text line ending in CR
// (identification or "FPRG"). Hex digits and "FPRG" never begin with 0x12 or 0x02, so no mode is needed.
class FrameAssembler {
public:
    enum class Kind { Text, WriteBlock, ReadBlock };
    static constexpr std::size_t kMaxText = 64;   // longer lines are cut there and reported as overlong
    static constexpr std::size_t kMaxFrame = 261; // 0x12, address, n = 255, data, checksum

    // Takes one byte; true when it completes a request, which Frame() then shows until the next Feed.
    bool Feed(std::uint8_t byte);
    bool Pending() const { return !complete_ && size_ > 0; } // a request begun, not complete
    void Reset();

    Kind FrameKind() const { return kind_; }
    std::span<const std::uint8_t> Frame() const { return {buffer_.data(), size_}; } // text without its CR
    bool Overlong() const { return overlong_; }

private:
    std::size_t Expected() const;

    std::array<std::uint8_t, kMaxFrame> buffer_{};
    std::size_t size_ = 0;
    Kind kind_ = Kind::Text;
    bool complete_ = false;
    bool overlong_ = false;
};

} // namespace emulator
