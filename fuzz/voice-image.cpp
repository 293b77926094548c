// The first byte picks the layout, the rest overwrites the start of an otherwise zero image (its
// directory and the first data bytes): the directory of a damaged file or a blank controller.
#include "Invariants.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const std::unique_ptr<VoiceBank> bank = std::make_unique<VoiceBank>();
    static const std::unique_ptr<VoiceBank> again = std::make_unique<VoiceBank>();
    const bool fullLayout = (data[0] & 1) != 0;
    bank->ClearImage();
    std::copy_n(data + 1, std::min(size - 1, kImageSize), bank->image.begin());
    bank->UnpackImage(fullLayout);
    CheckSlots(*bank);
    bank->PackImage();
    CheckPackedImage(*bank);
    // Once packed, an image comes back unchanged.
    VoiceBank::CopyImage(*again, *bank);
    again->UnpackImage(true);
    again->PackImage();
    if (!VoiceBank::CompareImages(*again, *bank)) {
        std::abort();
    }
    return 0;
}
