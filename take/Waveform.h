#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A take drawn as a waveform: the lowest and the highest sample under each pixel column.
struct WaveColumn {
    std::int16_t low = 0;
    std::int16_t high = 0;
};

// Columns over the whole take; with fewer samples than columns, neighbouring columns share a sample.
std::vector<WaveColumn> WaveColumns(std::span<const std::int16_t> take, std::size_t columns);
