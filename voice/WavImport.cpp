#include "WavImport.h"

#include "ByteSource.h"
#include "RiffChunks.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kMaxFmtSize = 100;

class Importer {
public:
    Importer(VoiceBank& bank, std::uint8_t slot, ByteSource& source, ImportQuestions& reporter)
        : bank_(bank), slot_(slot), riff_(source, RiffChunks::Bound::RiffSize), reporter_(reporter) {}

    ImportOutcome Run();

private:
    ImportOutcome Refuse(ImportMessageKind kind) {
        reporter_.Report(ImportMessageFor(kind));
        return ImportOutcome::Unchanged;
    }

    std::optional<ImportMessageKind> ReadFmt();
    std::optional<std::uint32_t> FindDataSize();

    VoiceBank& bank_;
    std::uint8_t slot_;
    RiffChunks riff_;
    ImportQuestions& reporter_;
};

ImportOutcome Importer::Run() {
    const RiffStart start = riff_.ReadStart();
    if (start == RiffStart::Short) {
        return Refuse(ImportMessageKind::ReadFailed);
    }
    // The controller's form has its fmt chunk first.
    if (start == RiffStart::NotWave || riff_.Id() != kFmtChunk) {
        return Refuse(ImportMessageKind::BadFormat);
    }
    if (const std::optional<ImportMessageKind> refusal = ReadFmt()) {
        return Refuse(*refusal);
    }
    const std::optional<std::uint32_t> dataSize = FindDataSize();
    if (!dataSize) {
        return Refuse(ImportMessageKind::BadFormat);
    }

    const std::uint32_t room = bank_.FreeSamplesFor(slot_);
    if (room == 0) {
        return LoadPhrase(bank_, slot_, {}, 0, reporter_);
    }
    // The data runs to the smallest of its size, the RIFF chunk and the file. Streaming writers leave
    // both sizes unfilled (0xFFFFFFFF) or overstated: what was read decides, never the header.
    const auto bytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(riff_.Remaining(), *dataSize));
    std::vector<std::int16_t> samples;
    // A short file ends the import quietly with what it held.
    const std::uint32_t total = riff_.ReadSamples(bytes / 2, room, samples);
    return LoadPhrase(bank_, slot_, samples, total, reporter_);
}

std::optional<ImportMessageKind> Importer::ReadFmt() {
    std::array<std::uint8_t, kMaxFmtSize> body{};
    const std::optional<std::uint32_t> size = riff_.ReadSize();
    if (!size || *size < WaveFormat::kSize || *size > kMaxFmtSize ||
        !riff_.ReadBody(std::span(body.data(), *size))) {
        return ImportMessageKind::BadFormat;
    }
    // The controller's own form is the one form taken.
    if (ReadWaveFormat(std::span(body).first<WaveFormat::kSize>()) != WaveFormat{}) {
        return ImportMessageKind::UnsupportedFormat;
    }
    return std::nullopt;
}

// Positions the stream after the data chunk's size field and returns that size. Chunks are skipped
// by their sizes; a header that does not make sense hands over to the byte-by-byte search from where
// the walk stopped, so that malformed files which that search accepts still load.
std::optional<std::uint32_t> Importer::FindDataSize() {
    const ChunkFound found = riff_.Find(kDataChunk);
    if (found == ChunkFound::StreamEnded ||
        (found == ChunkFound::HeaderMakesNoSense && !riff_.Search(kDataChunk))) {
        return std::nullopt;
    }
    return riff_.ReadSize();
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
