#include "BankFile.h"

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

ImportOutcome ImportRecording(VoiceBank& bank, std::uint8_t event, const std::filesystem::path& file,
                              ImportReporter& reporter) {
    return ImportWav(bank, event, file, reporter);
}
