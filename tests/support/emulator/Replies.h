#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "emulator/Faults.h"

namespace emulator {

// One answer of the controller, built in place, possibly spoilt by a fault.
struct Reply {
    std::array<std::uint8_t, 262> bytes{};
    std::size_t size = 0;

    std::span<const std::uint8_t> View() const { return {bytes.data(), size}; }
};

inline constexpr std::uint8_t kProgrammingAnswer = 0x06;

// True when the last byte of the frame is the checksum of the bytes before it.
bool ChecksumMatches(std::span<const std::uint8_t> frame);

// 22 hex digits of 0x21, 0x00, the 8 version characters and their checksum, then CR.
void BuildIdentificationReply(std::string_view version8, std::optional<FaultKind> fault, Reply& reply);
// The 7-byte acknowledgement of a write-block request (0x12, address, n, status, checksum).
void BuildWriteAcknowledgement(std::span<const std::uint8_t> request, std::uint8_t status,
                               std::optional<FaultKind> fault, Reply& reply);
// The answer to a read-block request: 0x02, address, n, the data, checksum.
void BuildReadAnswer(std::span<const std::uint8_t> request, std::span<const std::uint8_t> data,
                     std::optional<FaultKind> fault, Reply& reply);

} // namespace emulator
