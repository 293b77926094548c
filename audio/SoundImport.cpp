#include "SoundImport.h"

#include "Conversion.h"
#include "Loudness.h"
#include "SoundFile.h"

ImportOutcome ImportSoundFile(VoiceBank& bank, std::uint8_t slot, const std::filesystem::path& file,
                              bool normalise, ImportReporter& reporter) {
    SoundFile sound(file);
    if (!sound.IsOpen()) {
        reporter.Report(ImportMessageFor(ImportMessageKind::CannotOpen));
        return ImportOutcome::Unchanged;
    }
    // The phrase being replaced does not count against the capacity.
    bank.ClearSlot(slot);
    const std::uint32_t free = bank.FreeSamples();
    if (free == 0) {
        reporter.Report(ImportMessageFor(ImportMessageKind::MemoryFull));
        return ImportOutcome::Emptied;
    }
    // One sample more than fits tells whether the recording had to be cut.
    std::vector<std::int16_t> samples =
        ConvertForController(sound, std::size_t{free} + 1, normalise, LevelTarget(bank));
    if (samples.size() > free) {
        reporter.Report(ImportMessageFor(ImportMessageKind::Truncated));
        samples.resize(free);
    }
    for (std::int16_t s : samples)
        bank.AppendSample(slot, s);
    return ImportOutcome::Loaded;
}

ImportMessage AacRefusal() {
    return {ImportMessageKind::BadFormat,
            "Файлы M4A и AAC не поддерживаются.\nСохраните запись в формате WAV, MP3, FLAC или OGG.",
            ImportMessageFor(ImportMessageKind::BadFormat).caption, false};
}
