#include "StreamedWav.h"

#include <cstdint>

namespace {

std::uint32_t Little(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = value << 8 | std::uint8_t(bytes[at + i]);
    return value;
}

} // namespace

std::optional<SpokenText> ReadStreamedWav(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE")
        return std::nullopt;
    std::optional<SpokenText> spoken;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string_view id = bytes.substr(at, 4);
        const std::uint32_t size = Little(bytes, at + 4, 4);
        at += 8;
        if (id == "fmt " && size >= 16 && at + 16 <= bytes.size()) {
            if (Little(bytes, at, 2) != 1 || Little(bytes, at + 2, 2) != 1 || Little(bytes, at + 14, 2) != 16)
                return std::nullopt;
            spoken = SpokenText{{}, int(Little(bytes, at + 4, 4))};
        } else if (id == "data") {
            if (!spoken || spoken->rate <= 0)
                return std::nullopt;
            for (std::size_t s = at; s + 2 <= bytes.size(); s += 2)
                spoken->samples.push_back(std::int16_t(Little(bytes, s, 2)));
            return spoken;
        }
        if (size > bytes.size() - at)
            return std::nullopt;
        at += size + (size & 1);
    }
    return std::nullopt;
}
