// Any byte string as a voice file; whatever reads with result 0 is unpacked and packed again. The
// first byte says how to take the rest: 3 as the file itself (the header and length checks), 0 to 2
// as the start of the image in a file of that version with a correct checksum, so that nearly every
// input gets past the checksum into UnpackImage.
#include "Invariants.h"
#include "voice/ByteSource.h"
#include "voice/Checksum.h"
#include "voice/VoiceFile.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kHeaders[] = {"[VoiceMessage v.01.00]", "[VoiceMessage v.01.04]",
                                         "[VoiceMessage v.05.05]"};
constexpr std::size_t kHeaderSize = 22;

// A whole file of the chosen version around the image that the input begins; the rest stays zero
// (and so leaves the checksum as the input's bytes make it).
std::span<const std::uint8_t> WholeFile(std::string_view header, std::span<const std::uint8_t> image) {
    static std::vector<std::uint8_t> file(kHeaderSize + kImageSize + 1);
    static std::size_t lastSize = kImageSize;
    image = image.first(std::min(image.size(), kImageSize));
    std::copy(header.begin(), header.end(), file.begin());
    const auto imageStart = file.begin() + kHeaderSize;
    const auto imageEnd = std::copy(image.begin(), image.end(), imageStart);
    if (lastSize > image.size())
        std::fill(imageEnd, imageStart + std::ptrdiff_t(lastSize), 0);
    lastSize = image.size();
    file.back() = Checksum(image);
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<VoiceBank> bank = std::make_unique<VoiceBank>();
    if (size == 0)
        return 0;
    const std::size_t how = data[0] % 4;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    MemorySource source(how < 3 ? WholeFile(kHeaders[how], rest) : std::span(data, size));
    bool fullLayout = true;
    if (ReadVoiceFile(source, bank->image, fullLayout) == kVoiceFileOk) {
        bank->UnpackImage(fullLayout);
        CheckSlots(*bank);
        bank->PackImage();
        CheckPackedImage(*bank);
    }
    return 0;
}
