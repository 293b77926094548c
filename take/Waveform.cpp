#include "Waveform.h"

#include <algorithm>

std::vector<WaveColumn> WaveColumns(std::span<const std::int16_t> take, std::size_t columns) {
    std::vector<WaveColumn> result(take.empty() ? 0 : columns);
    for (std::size_t c = 0; c < result.size(); ++c) {
        const std::size_t begin = c * take.size() / columns;
        const std::size_t end = std::max(begin + 1, (c + 1) * take.size() / columns);
        const auto [low, high] =
            std::minmax_element(take.begin() + std::ptrdiff_t(begin), take.begin() + std::ptrdiff_t(end));
        result[c] = {*low, *high};
    }
    return result;
}
