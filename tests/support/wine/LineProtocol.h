#pragma once

// The commands by which a test under Wine drives the line server, one line of text each way: a word,
// then numbers and hex-encoded bytes separated by spaces. Shared by both sides.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace line_protocol {

inline std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

inline std::vector<std::uint8_t> Unhex(std::string_view text) {
    const auto value = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(value(text[2 * i]) << 4 | value(text[2 * i + 1]));
    return bytes;
}

} // namespace line_protocol
