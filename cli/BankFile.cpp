#include "BankFile.h"

#include <optional>

#include "audio/SoundFile.h"
#include "audio/SoundImport.h"
#include "voice/VoiceFile.h"
#include "voice/Voicebank.h"

std::string LoadBank(const std::filesystem::path& file, VoiceBank& bank) {
    bool fullLayout = true;
    switch (ReadVoiceFile(file, bank.image, fullLayout)) {
    case kVoiceFileOk:
        bank.UnpackImage(fullLayout);
        return {};
    case kVoiceFileChecksumMismatch:
        return "Неизвестный формат файла";
    default:
        return "Невозможно открыть файл";
    }
}

std::string SaveBank(const std::filesystem::path& file, VoiceBank& bank) {
    bank.PackImage();
    return WriteVoiceFile(file, bank.image) == kVoiceFileOk ? std::string() : "Невозможно сохранить файл";
}

namespace {

// Passes the import's messages on, except a refusal of the file's format or structure: the converter
// may read the file.
class HoldingBackRefusal final : public ImportReporter {
public:
    explicit HoldingBackRefusal(ImportReporter& next) : next_(next) {}
    void Report(const ImportMessage& message) override {
        if (message.kind == ImportMessageKind::BadFormat ||
            message.kind == ImportMessageKind::UnsupportedFormat)
            refusal = message;
        else
            next_.Report(message);
    }

    std::optional<ImportMessage> refusal;

private:
    ImportReporter& next_;
};

} // namespace

ImportOutcome ImportRecording(VoiceBank& bank, std::uint8_t event, const std::filesystem::path& file,
                              bool normalise, ImportReporter& reporter, std::string& converted) {
    converted.clear();
    HoldingBackRefusal holding(reporter);
    const ImportOutcome outcome = ImportWav(bank, event, file, holding);
    if (!holding.refusal)
        return outcome;
    SoundFile sound(file);
    if (!sound.IsOpen()) {
        reporter.Report(IsAacOrM4a(file) ? AacRefusal() : *holding.refusal);
        return ImportOutcome::Unchanged;
    }
    converted = DescribeSound(sound.Info());
    return ImportSoundFile(bank, event, file, normalise, reporter);
}
