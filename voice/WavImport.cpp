#include "WavImport.h"

#include "ByteSource.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace {

constexpr std::string_view kOpenCaption = "Открытие файла";
constexpr std::string_view kLoadCaption = "Загрузка звукового фрагмента";

using FourCC = std::array<std::uint8_t, 4>;

constexpr FourCC kData = {'d', 'a', 't', 'a'};
constexpr std::size_t kMaxFmtSize = 100;
// Size fields that writers to a pipe leave behind, never having learnt the real length.
constexpr std::uint32_t kUnfilledSize = 0xFFFFFFFF;
constexpr std::uint32_t kUnfilledSizeLimit = 0x7FFFF000;

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
    Importer(VoiceBank& bank, std::uint8_t slot, ByteSource& source, ImportReporter& reporter)
        : bank_(bank), slot_(slot), source_(source), reporter_(reporter) {}

    ImportOutcome Run();

private:
    void ReportTruncated(std::uint32_t loadedSamples, std::uint32_t fileSamples) {
        ImportMessage message = ImportMessageFor(ImportMessageKind::Truncated);
        message.loadedSamples = loadedSamples;
        message.fileSamples = fileSamples;
        reporter_.Report(message);
    }
    ImportOutcome Refuse(ImportMessageKind kind) {
        reporter_.Report(ImportMessageFor(kind));
        return ImportOutcome::Unchanged;
    }

    std::size_t ReadSome(std::span<std::uint8_t> bytes);
    bool ReadExact(std::uint8_t* bytes, std::size_t n) { return ReadSome(std::span(bytes, n)) == n; }
    bool Skip(std::uint32_t n);
    std::uint32_t CountRest(std::uint32_t limit);
    bool ShiftIn(FourCC& window, std::uint8_t byte);
    bool ShiftInFromSource(FourCC& window);
    std::optional<std::uint32_t> FindDataSize(bool fmtPadPending);
    bool WalkChunks(FourCC& window, bool padPending);
    bool SearchData(FourCC& window);
    std::uint32_t LoadSamples(std::uint32_t samples);

    VoiceBank& bank_;
    std::uint8_t slot_;
    ByteSource& source_;
    ImportReporter& reporter_;
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

    // The phrase being replaced does not count against the capacity.
    bank_.ClearSlot(slot_);
    const std::uint32_t freeBytes = 2 * bank_.FreeSamples();
    if (freeBytes == 0) {
        reporter_.Report(ImportMessageFor(ImportMessageKind::MemoryFull));
        return ImportOutcome::Emptied;
    }
    // Streaming writers leave the data size unfilled as well: the data then runs to the end of the
    // file, which is cut, and said to be, only when it really holds more than the free capacity.
    const bool sizeUnfilled = *dataSize == kUnfilledSize || *dataSize == kUnfilledSizeLimit;
    const std::uint32_t riffLeft = remaining_;
    remaining_ = std::min(remaining_, freeBytes);
    if (*dataSize > freeBytes && !sizeUnfilled) {
        ReportTruncated(freeBytes / 2, *dataSize / 2);
        *dataSize = freeBytes;
    }
    bank_.ClearSlot(slot_);
    const std::uint32_t loaded = LoadSamples(std::min(remaining_, *dataSize) / 2);
    if (sizeUnfilled && loaded == freeBytes / 2 && riffLeft >= freeBytes + 2 && ReadExact(block_.data(), 2)) {
        // The warning says how long the file is, which only reading it to its end tells.
        ReportTruncated(loaded, loaded + 1 + CountRest(riffLeft - freeBytes - 2) / 2);
    }
    return ImportOutcome::Loaded;
}

// Reads on to the end of the stream, at most limit bytes; returns how many there were.
std::uint32_t Importer::CountRest(std::uint32_t limit) {
    std::uint32_t counted = 0;
    while (counted < limit) {
        const std::size_t n =
            ReadSome(std::span(block_.data(), std::min<std::size_t>(block_.size(), limit - counted)));
        counted += static_cast<std::uint32_t>(n);
        if (n == 0)
            break;
    }
    return counted;
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

// Returns how many samples were loaded.
std::uint32_t Importer::LoadSamples(std::uint32_t samples) {
    std::uint32_t loaded = 0;
    while (loaded < samples) {
        const std::size_t wanted = std::min<std::size_t>(2 * std::size_t{samples - loaded}, block_.size());
        const std::size_t got = ReadSome(std::span(block_.data(), wanted));
        for (std::size_t i = 0; i + 1 < got; i += 2) {
            bank_.AppendSample(slot_, static_cast<std::int16_t>(Le16(block_.data() + i)));
        }
        loaded += static_cast<std::uint32_t>(got / 2);
        if (got < wanted) {
            break; // a short file ends the import quietly with what it held
        }
    }
    return loaded;
}

} // namespace

ImportOutcome ImportWav(VoiceBank& bank, std::uint8_t slot, ByteSource& source, ImportReporter& reporter) {
    return Importer(bank, slot, source, reporter).Run();
}

ImportOutcome ImportWav(VoiceBank& bank, std::uint8_t slot, const std::filesystem::path& file,
                        ImportReporter& reporter) {
    FileSource source(file);
    if (!source.IsOpen()) {
        reporter.Report(ImportMessageFor(ImportMessageKind::CannotOpen));
        return ImportOutcome::Unchanged;
    }
    return Importer(bank, slot, source, reporter).Run();
}

ImportMessage ImportMessageFor(ImportMessageKind kind) {
    switch (kind) {
    case ImportMessageKind::CannotOpen:
        return {kind, "Невозможно открыть файл", kOpenCaption, false};
    case ImportMessageKind::ReadFailed:
        return {kind, "Ошибка при открытии файла", kOpenCaption, false};
    case ImportMessageKind::BadFormat:
        return {kind, "Неверный формат файла", kOpenCaption, false};
    case ImportMessageKind::UnsupportedFormat:
        return {kind,
                "Неверный формат файла.\nИспользуйте только WAV файл формата: PCM 8000 Гц; 16 "
                "бит; Моно.",
                kOpenCaption, false};
    case ImportMessageKind::MemoryFull:
        return {kind, "Загрузка звукового фрагмента невозможна.\nИспользовано 100% памяти.", kLoadCaption,
                false};
    case ImportMessageKind::Truncated:
        return {kind,
                "Продолжительность звукового фрагмента превышает допустимое значение.\nФрагмент "
                "будет урезан.",
                kLoadCaption, true};
    }
    return {kind, "", "", false};
}
