#include "Seconds.h"

// Worked in whole microseconds (one sample is a whole number of them), so that a value halfway between two
// 4-digit texts rounds up, as it does in decimal, instead of going the way binary floating point leans.
std::string FormatSeconds(std::uint32_t samples, std::string_view decimalPoint) {
    std::uint64_t mantissa = std::uint64_t(samples) * (1000000 / kSampleRate);
    int exponent = -6; // value = mantissa * 10^exponent seconds
    if (mantissa == 0)
        return "0";

    std::uint64_t limit = 10000;
    while (mantissa >= limit * 10) {
        mantissa /= 10;
        ++exponent;
    }
    if (mantissa >= limit) {
        mantissa = (mantissa + 5) / 10;
        ++exponent;
        if (mantissa == limit) {
            mantissa /= 10;
            ++exponent;
        }
    }
    while (mantissa % 10 == 0) {
        mantissa /= 10;
        ++exponent;
    }

    std::string digits = std::to_string(mantissa);
    if (exponent >= 0)
        return digits + std::string(static_cast<std::size_t>(exponent), '0');
    const int integerDigits = static_cast<int>(digits.size()) + exponent;
    if (integerDigits <= 0)
        digits = std::string(static_cast<std::size_t>(1 - integerDigits), '0') + digits;
    const std::size_t point = digits.size() - static_cast<std::size_t>(-exponent);
    return digits.substr(0, point) + std::string(decimalPoint) + digits.substr(point);
}
