#include "emulator/Replies.h"

#include <algorithm>

#include "voice/Checksum.h"

namespace emulator {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";
constexpr std::size_t kHeader = 5;

void Seal(Reply& reply) {
    reply.bytes[reply.size - 1] = Checksum({reply.bytes.data(), reply.size - 1});
}

// Spoils a sealed binary frame; echoByte is the byte the echo fault changes.
void Spoil(Reply& reply, std::optional<FaultKind> fault, std::size_t echoByte) {
    if (fault == FaultKind::WrongChecksum) {
        reply.bytes[reply.size - 1] ^= 0xFF;
    } else if (fault == FaultKind::WrongEcho) {
        reply.bytes[echoByte] ^= 0x01;
        Seal(reply);
    } else if (fault == FaultKind::ShortAnswer) {
        --reply.size;
    }
}

} // namespace

bool ChecksumMatches(std::span<const std::uint8_t> frame) {
    return !frame.empty() && Checksum(frame.first(frame.size() - 1)) == frame.back();
}

void BuildIdentificationReply(std::string_view version8, std::optional<FaultKind> fault, Reply& reply) {
    std::array<std::uint8_t, 11> payload{};
    payload[0] = fault == FaultKind::WrongEcho ? 0x22 : 0x21;
    std::copy_n(version8.begin(), std::min<std::size_t>(version8.size(), 8), payload.begin() + 2);
    payload[10] = Checksum({payload.data(), 10});
    if (fault == FaultKind::WrongChecksum) {
        payload[10] ^= 0xFF;
    }
    reply.size = 0;
    for (std::uint8_t byte : payload) {
        reply.bytes[reply.size++] = kDigits[byte >> 4];
        reply.bytes[reply.size++] = kDigits[byte & 0x0F];
    }
    if (fault == FaultKind::LowercaseHex) {
        for (std::size_t i = 0; i < reply.size; ++i) {
            if (reply.bytes[i] >= 'A' && reply.bytes[i] <= 'F') {
                reply.bytes[i] += 'a' - 'A';
            }
        }
    }
    if (fault != FaultKind::ShortAnswer) {
        reply.bytes[reply.size++] = '\r';
    }
}

void BuildWriteAcknowledgement(std::span<const std::uint8_t> request, std::uint8_t status,
                               std::optional<FaultKind> fault, Reply& reply) {
    std::copy_n(request.begin(), kHeader, reply.bytes.begin());
    reply.bytes[5] = fault == FaultKind::Status1 ? 1 : status;
    reply.size = 7;
    Seal(reply);
    Spoil(reply, fault, 1);
}

void BuildReadAnswer(std::span<const std::uint8_t> request, std::span<const std::uint8_t> data,
                     std::optional<FaultKind> fault, Reply& reply) {
    std::copy_n(request.begin(), kHeader, reply.bytes.begin());
    const std::size_t n = std::min(data.size(), reply.bytes.size() - kHeader - 1);
    std::copy_n(data.begin(), n, reply.bytes.begin() + kHeader);
    reply.size = kHeader + n + 1;
    if (fault == FaultKind::WrongDataByte && n > 0) {
        reply.bytes[kHeader] ^= 0xFF;
    }
    Seal(reply);
    Spoil(reply, fault, 1);
}

} // namespace emulator
