#include "WavImport.h"

#include "ByteSource.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace {

using FourCC = std::array<std::uint8_t, 4>;

constexpr FourCC kData = {'d', 'a', 't', 'a'};
constexpr std::size_t kMaxFmtSize = 100;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Chunk identifiers are four printable ASCII characters; anything else means the walk has lost
// its footing.
bool IsChunkId(const FourCC& id) {
    return std::all_of(id.begin(), id.end(), [](std::uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

bool IsSupportedFmt(const std::uint8_t* fmt) {
    const bool pcm = Le16(fmt) == 1;
    const bool mono = Le16(fmt + 2) == 1;
    const bool rate = Le32(fmt + 4) == 8000 && Le32(fmt + 8) == 16000;
    const bool sixteenBit = Le16(fmt + 12) == 2 && Le16(fmt + 14) == 16;
    return pcm && mono && rate && sixteenBit;
}

class Importer {
public:
    Importer(VoiceBank& bank, std::uint8_t slot, ByteSource& source, ImportQuestions& reporter)
        : bank_(bank), slot_(slot), source_(source), reporter_(reporter) {}

    ImportOutcome Run();

private:
    ImportOutcome Refuse(ImportMessageKind kind) {
        reporter_.Report(ImportMessageFor(kind));
        return ImportOutcome::Unchanged;
    }

    std::size_t ReadSome(std::span<std::uint8_t> bytes);
    bool ReadExact(std::uint8_t* bytes, std::size_t n) { return ReadSome(std::span(bytes, n)) == n; }
    bool Skip(std::uint32_t n);
    bool ShiftIn(FourCC& window, std::uint8_t byte);
    bool ShiftInFromSource(FourCC& window);
    std::optional<std::uint32_t> FindDataSize(bool fmtPadPending);
    bool WalkChunks(FourCC& window, bool padPending);
    bool SearchData(FourCC& window);
    std::uint32_t ReadSamples(std::uint32_t samples, std::uint32_t kept, std::vector<std::int16_t>& out);

    VoiceBank& bank_;
    std::uint8_t slot_;
    ByteSource& source_;
    ImportQuestions& reporter_;
    std::uint32_t remaining_ = 0; // bytes of the RIFF chunk not yet consumed
    std::array<std::uint8_t, 8192> block_{};
    // A chunk size field read ahead by the walk, handed back to the search that takes over.
    std::array<std::uint8_t, 4> pending_{};
    std::size_t pendingCount_ = 0;
};

ImportOutcome Importer::Run() {
    std::array<std::uint8_t, 16> head{};
    if (!ReadExact(head.data(), head.size())) {
        return Refuse(ImportMessageKind::ReadFailed);
    }
    if (std::memcmp(head.data(), "RIFF", 4) != 0 || std::memcmp(head.data() + 8, "WAVEfmt ", 8) != 0) {
        return Refuse(ImportMessageKind::BadFormat);
    }
    // Streaming writers leave the RIFF size at 0 or 0xFFFFFFFF: below 8 it wraps around to a huge
    // count, and such a file is limited by its data size and its length alone.
    remaining_ = Le32(head.data() + 4) - 8U;

    std::array<std::uint8_t, kMaxFmtSize> fmt{};
    if (remaining_ < 4 || !ReadExact(fmt.data(), 4)) {
        return Refuse(ImportMessageKind::BadFormat);
    }
    const std::uint32_t fmtSize = Le32(fmt.data());
    if (fmtSize < 16) {
        return Refuse(ImportMessageKind::BadFormat);
    }
    remaining_ -= 4;
    if (remaining_ < fmtSize || fmtSize > kMaxFmtSize || !ReadExact(fmt.data(), fmtSize)) {
        return Refuse(ImportMessageKind::BadFormat);
    }
    if (!IsSupportedFmt(fmt.data())) {
        return Refuse(ImportMessageKind::UnsupportedFormat);
    }
    remaining_ -= fmtSize;

    std::optional<std::uint32_t> dataSize = FindDataSize((fmtSize & 1U) != 0);
    if (!dataSize) {
        return Refuse(ImportMessageKind::BadFormat);
    }

    const std::uint32_t room = bank_.FreeSamplesFor(slot_);
    if (room == 0) {
        return LoadPhrase(bank_, slot_, {}, 0, reporter_);
    }
    // The data runs to the smallest of its size, the RIFF chunk and the file. Streaming writers leave
    // both sizes unfilled (0xFFFFFFFF) or overstated: what was read decides, never the header.
    std::vector<std::int16_t> samples;
    const std::uint32_t total = ReadSamples(std::min(remaining_, *dataSize) / 2, room, samples);
    return LoadPhrase(bank_, slot_, samples, total, reporter_);
}

std::size_t Importer::ReadSome(std::span<std::uint8_t> bytes) {
    const std::size_t fromPending = std::min(bytes.size(), pendingCount_);
    std::copy_n(pending_.begin(), fromPending, bytes.begin());
    std::copy(pending_.begin() + fromPending, pending_.begin() + pendingCount_, pending_.begin());
    pendingCount_ -= fromPending;
    if (fromPending == bytes.size()) {
        return fromPending;
    }
    return fromPending + source_.Read(bytes.subspan(fromPending));
}

bool Importer::Skip(std::uint32_t n) {
    while (n > 0) {
        const std::size_t part = std::min<std::size_t>(n, block_.size());
        if (!ReadExact(block_.data(), part)) {
            return false;
        }
        n -= static_cast<std::uint32_t>(part);
    }
    return true;
}

// One step of the byte-by-byte search: the window moves on by one byte of the RIFF chunk.
bool Importer::ShiftIn(FourCC& window, std::uint8_t byte) {
    if (remaining_ == 0) {
        return false;
    }
    std::copy(window.begin() + 1, window.end(), window.begin());
    window[3] = byte;
    --remaining_;
    return true;
}

bool Importer::ShiftInFromSource(FourCC& window) {
    std::uint8_t byte = 0;
    return remaining_ != 0 && ReadExact(&byte, 1) && ShiftIn(window, byte);
}

// Positions the stream after the data chunk's size field and returns that size.
std::optional<std::uint32_t> Importer::FindDataSize(bool fmtPadPending) {
    FourCC window{};
    if (remaining_ < 4 || !ReadExact(window.data(), 4)) {
        return std::nullopt;
    }
    remaining_ -= 4;
    if (!WalkChunks(window, fmtPadPending)) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 4> size{};
    if (remaining_ < 4 || !ReadExact(size.data(), 4)) {
        return std::nullopt;
    }
    remaining_ -= 4;
    return Le32(size.data());
}

// Skips the chunks between fmt and data by their sizes, so that the four bytes "data" inside a
// LIST/INFO text or a cue point are never taken for the data chunk. A header that does not make
// sense hands over to the byte-by-byte search from where the walk stopped, so that malformed
// files which that search accepts still load.
bool Importer::WalkChunks(FourCC& window, bool padPending) {
    for (;;) {
        // A chunk of odd size is followed by a pad byte, which some writers leave out; an
        // identifier never starts with 0, so a 0 there is the pad.
        if (padPending && window[0] == 0 && !ShiftInFromSource(window)) {
            return false;
        }
        if (window == kData) {
            return true;
        }
        if (!IsChunkId(window) || remaining_ < 4) {
            return SearchData(window);
        }
        std::array<std::uint8_t, 4> sizeField{};
        if (!ReadExact(sizeField.data(), sizeField.size())) {
            return false;
        }
        remaining_ -= 4;
        const std::uint32_t size = Le32(sizeField.data());
        // The body and at least the next chunk header must lie inside the RIFF chunk.
        if (size > remaining_ || remaining_ - size < 8) {
            remaining_ += 4;
            pending_ = sizeField;
            pendingCount_ = sizeField.size();
            return SearchData(window);
        }
        if (!Skip(size)) {
            return false;
        }
        remaining_ -= size;
        if (!ReadExact(window.data(), window.size())) {
            return false;
        }
        remaining_ -= 4;
        padPending = (size & 1U) != 0;
    }
}

// The window moves on byte by byte until it reads "data".
bool Importer::SearchData(FourCC& window) {
    while (window != kData) {
        if (!ShiftInFromSource(window)) {
            return false;
        }
    }
    return true;
}

// Keeps the first `kept` samples, counts the rest without keeping them; returns how many were read.
std::uint32_t Importer::ReadSamples(std::uint32_t samples, std::uint32_t kept,
                                    std::vector<std::int16_t>& out) {
    out.reserve(std::min(samples, kept));
    std::uint32_t read = 0;
    while (read < samples) {
        const std::size_t wanted = std::min<std::size_t>(2 * std::size_t{samples - read}, block_.size());
        const std::size_t got = ReadSome(std::span(block_.data(), wanted));
        for (std::size_t i = 0; i + 1 < got && out.size() < kept; i += 2) {
            out.push_back(static_cast<std::int16_t>(Le16(block_.data() + i)));
        }
        read += static_cast<std::uint32_t>(got / 2);
        if (got < wanted) {
            break; // a short file ends the import quietly with what it held
        }
    }
    return read;
}

} // namespace

ImportOutcome ImportWav(VoiceBank& bank, std::uint8_t slot, ByteSource& source, ImportQuestions& reporter) {
    return Importer(bank, slot, source, reporter).Run();
}

ImportOutcome ImportWav(VoiceBank& bank, std::uint8_t slot, const std::filesystem::path& file,
                        ImportQuestions& reporter) {
    FileSource source(file);
    if (!source.IsOpen()) {
        reporter.Report(ImportMessageFor(ImportMessageKind::CannotOpen));
        return ImportOutcome::Unchanged;
    }
    return Importer(bank, slot, source, reporter).Run();
}
