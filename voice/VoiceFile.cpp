#include "VoiceFile.h"

#include "ByteSource.h"
#include "Checksum.h"
#include "SafeFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kHeaderSize = 22;
constexpr std::string_view kHeaderOldest = "[VoiceMessage v.01.00]";
constexpr std::string_view kHeaderUnchecked = "[VoiceMessage v.01.04]";
constexpr std::string_view kHeaderCurrent = "[VoiceMessage v.05.05]";

} // namespace

VoiceFileResult WriteVoiceFile(const std::filesystem::path& path, const VoiceImage& image) {
    const std::uint8_t checksum = Checksum(image);
    const bool ok = WriteFileSafely(
        path, {std::span(reinterpret_cast<const std::uint8_t*>(kHeaderCurrent.data()), kHeaderCurrent.size()),
               std::span<const std::uint8_t>(image), std::span(&checksum, 1)});
    return ok ? kVoiceFileOk : kVoiceFileFailed;
}

VoiceFileResult ReadVoiceFile(const std::filesystem::path& path, VoiceImage& image, bool& fullLayout) {
    FileSource file(path);
    if (!file.IsOpen()) {
        return kVoiceFileFailed;
    }
    return ReadVoiceFile(file, image, fullLayout);
}

VoiceFileResult ReadVoiceFile(ByteSource& file, VoiceImage& image, bool& fullLayout) {
    std::array<std::uint8_t, kHeaderSize> header{};
    if (file.Read(header) != header.size()) {
        return kVoiceFileFailed;
    }
    const std::string_view text(reinterpret_cast<const char*>(header.data()), header.size());
    bool verified = true;
    if (text == kHeaderOldest) {
        fullLayout = false;
    } else if (text == kHeaderUnchecked) {
        fullLayout = true;
        verified = false;
    } else if (text == kHeaderCurrent) {
        fullLayout = true;
    } else {
        return kVoiceFileFailed;
    }
    std::uint8_t checksum = 0;
    if (file.Read(image) != image.size() || file.Read(std::span(&checksum, 1)) != 1) {
        return kVoiceFileFailed;
    }
    if (verified && Checksum(image) != checksum) {
        return kVoiceFileChecksumMismatch;
    }
    return kVoiceFileOk;
}
