// Any byte string as a speech synthesiser's output: the reader takes no more samples than the bytes
// hold and never a rate it can't use.
#include "take/StreamedWav.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<SpokenText> spoken =
        ReadStreamedWav(std::string_view(reinterpret_cast<const char*>(data), size));
    if (spoken && (spoken->rate <= 0 || spoken->samples.size() * 2 > size)) {
        std::abort();
    }
    return 0;
}
