#include "BankFile.h"

#include <optional>

#include "ConvertRecording.h"
#include "voice/VoiceFile.h"
#include "voice/Voicebank.h"

std::filesystem::path PathOf(const std::string& utf8) {
    return std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
}

std::string LoadBank(const std::string& file, VoiceBank& bank) {
    bool fullLayout = true;
    switch (ReadVoiceFile(PathOf(file), bank.image, fullLayout)) {
    case kVoiceFileOk:
        bank.UnpackImage(fullLayout);
        return {};
    case kVoiceFileChecksumMismatch:
        return "Неизвестный формат файла";
    default:
        return "Невозможно открыть файл";
    }
}

std::string SaveBank(const std::string& file, VoiceBank& bank) {
    bank.PackImage();
    return WriteVoiceFile(PathOf(file), bank.image) == kVoiceFileOk ? std::string()
                                                                    : "Невозможно сохранить файл";
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

ImportOutcome ImportRecording(VoiceBank& bank, std::uint8_t event, const std::string& file, bool normalise,
                              ImportReporter& reporter, std::string& converted) {
    converted.clear();
    HoldingBackRefusal holding(reporter);
    const std::filesystem::path path = PathOf(file);
    const ImportOutcome outcome = ImportWav(bank, event, path, holding);
    if (!holding.refusal)
        return outcome;
    return ImportConverted(bank, event, path, normalise, reporter, *holding.refusal, converted);
}
