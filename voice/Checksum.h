#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// One byte such that the XOR of the bytes and the checksum, added, is 0 modulo 256:
// (256 - (XOR of the bytes)) mod 256. Voice files and every controller frame carry it.
constexpr std::uint8_t Checksum(std::span<const std::uint8_t> bytes) {
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes) {
        x ^= b;
    }
    return static_cast<std::uint8_t>(-x);
}
