#include "emulator/FrameAssembler.h"

namespace emulator {
namespace {

constexpr std::uint8_t kWriteCommand = 0x12;
constexpr std::uint8_t kReadCommand = 0x02;
constexpr std::uint8_t kCarriageReturn = 0x0D;
constexpr std::size_t kHeader = 5; // command, three address bytes, length

} // namespace

void FrameAssembler::Reset() {
    size_ = 0;
    complete_ = false;
    overlong_ = false;
}

std::size_t FrameAssembler::Expected() const {
    if (size_ < kHeader) {
        return kMaxFrame; // not known before the length byte
    }
    return kind_ == Kind::WriteBlock ? kHeader + buffer_[4] + 1 : kHeader + 1;
}

bool FrameAssembler::Feed(std::uint8_t byte) {
    if (complete_) {
        Reset();
    }
    if (size_ == 0) {
        kind_ = byte == kWriteCommand  ? Kind::WriteBlock
                : byte == kReadCommand ? Kind::ReadBlock
                                       : Kind::Text;
    }
    if (kind_ == Kind::Text) {
        if (byte == kCarriageReturn) {
            complete_ = true;
        } else if (size_ < kMaxText) {
            buffer_[size_++] = byte;
        } else {
            overlong_ = true;
        }
        return complete_;
    }
    buffer_[size_++] = byte;
    complete_ = size_ == Expected();
    return complete_;
}

} // namespace emulator
